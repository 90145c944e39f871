#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The browser edition as a screen-reader user hears it: Orca with Chromium and with Firefox ESR,
in a private session (screen_reader_session.py), driven by real key presses, judged by what Orca
handed to speech-dispatcher.

usage: screen_reader_test.py SITE_DIR [chromium|firefox ...]
"""

import http.server
import os
import shutil
import signal
import subprocess
import sys
import threading
import time
from functools import partial

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from screen_reader_session import Session, SessionError, wait_until  # noqa: E402

# The whole test ends by itself after this long, everything it started stopped (seconds).
DEADLINE = 240

# The Moon's briefing, sentence by sentence.
BRIEFING = ["Gravity is", "Thrust is", "There is no terminal velocity", "There is enough fuel for",
            "Maximum landing speed"]


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(site):
    handler = partial(QuietHandler, directory=site)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def chromium(session, url, profile):
    return session.spawn("chromium", [
        "chromium", "--no-sandbox", "--force-renderer-accessibility", "--user-data-dir=" + profile,
        "--no-first-run", "--no-default-browser-check", "--disable-gpu", "--disable-quic",
        "--disable-background-networking", "--disable-component-update", "--disable-sync",
        "--password-store=basic", "--window-size=1200,900", "--window-position=0,0", url])


def firefox(session, url, profile):
    # Firefox speaks through speech-dispatcher: pointed at none, it has no voice, as in a session
    # without speech-dispatcher.
    env = dict(session.env, SPEECHD_ADDRESS="unix_socket:" + session.path("no-speechd.sock"))
    os.makedirs(profile, exist_ok=True)
    with open(os.path.join(profile, "user.js"), "w") as f:
        for pref, value in [("browser.shell.checkDefaultBrowser", "false"),
                            ("browser.aboutwelcome.enabled", "false"),
                            ("browser.startup.homepage_override.mstone", '"ignore"'),
                            ("datareporting.policy.dataSubmissionEnabled", "false"),
                            ("toolkit.telemetry.reportingpolicy.firstRun", "false"),
                            ("app.update.auto", "false"), ("browser.tabs.warnOnClose", "false"),
                            ("accessibility.force_disabled", "0"),
                            ("browser.startup.page", "0"), ("startup.homepage_welcome_url", '""'),
                            ("datareporting.policy.firstRunURL", '""'),
                            ("browser.newtabpage.enabled", "false"),
                            ("trailhead.firstrun.didSeeAboutWelcome", "true"),
                            ("media.autoplay.default", "0")]:
            f.write(f'user_pref("{pref}", {value});\n')
    return session.spawn("firefox", ["firefox-esr", "--no-remote", "--new-instance", "--profile",
                                     profile, url], env=env)


BROWSERS = {"chromium": chromium, "firefox": firefox}


class Listener:
    """Waits for texts in what Orca said since a mark."""

    def __init__(self, session, name):
        self.session, self.name, self.mark = session, name, len(session.heard())

    def texts(self):
        return [text for _, text in self.session.heard()[self.mark:]]

    def expect(self, what, phrases, seconds=20):
        """Waits until the phrases have been heard in this order since the mark, then moves it."""
        def found():
            at = 0
            joined = " ".join(self.texts())
            for phrase in phrases:
                at = joined.find(phrase, at)
                if at < 0:
                    return False
                at += len(phrase)
            return True
        try:
            wait_until(what, found, seconds)
        except SessionError:
            raise SessionError(f"{self.name}: {what}: expected {phrases} in this order; heard "
                               f"{self.texts()[-12:]}")
        self.mark = len(self.session.heard())

    def press(self, *keys):
        self.mark = len(self.session.heard())
        started = time.time()
        self.session.key(*keys)
        return started


def play(session, name, site_url):
    profile = session.path(name + "-profile")
    browser = BROWSERS[name](session, site_url, profile)
    listen = Listener(session, name)
    try:
        session.focus_window_of(browser.pid, 60)
        # The page is read when it loads; the Start button has the focus.
        listen.expect("the page", ["Start"], 60)
        time.sleep(1.5)
        before = len(session.heard())
        started = listen.press("Return")
        listen.expect("Start", ["Where would you like to land?", "Moon"], 30)
        first_word = next(t for t, text in session.heard()[before:]
                          if "Where would you" in text) - started
        listen.press("Down")
        listen.expect("Down in focus mode", ["Earth"])
        listen.press("Up")
        listen.expect("Up", ["Moon"])
        # The same text again is read again.
        listen.press("Home")
        listen.expect("Home", ["Moon"])
        listen.press("Return")
        listen.expect("the difficulty menu", ["Easy"])
        listen.press("Return")
        listen.expect("the briefing", BRIEFING + ["Repeat"])
        # The help opens in a new tab; closing it brings the game back, with the keyboard.
        listen.press("F1")
        listen.expect("the help page", ["Veltro Lander"])
        time.sleep(1)
        listen.press("ctrl+w")
        time.sleep(1.5)
        listen.press("Down")
        listen.expect("Down after the help", ["Continue"])
        # The browser's own voice, which cannot speak here: the page says so once and carries on
        # through the screen reader.
        listen.press("ctrl+3")
        time.sleep(0.5)
        listen.press("Up")
        listen.expect("Control-3, Up", ["own voice cannot speak here", "Repeat"])
        listen.press("Down")
        listen.expect("Down after Control-3", ["Continue"])
        if "own voice cannot speak" in " ".join(listen.texts()):
            raise SessionError(f"{name}: the notice came twice")
        return first_word
    finally:
        if browser.poll() is None:
            os.killpg(browser.pid, 15)
            try:
                browser.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(browser.pid, 9)


def main():
    site = os.path.abspath(sys.argv[1])
    names = sys.argv[2:] or list(BROWSERS)
    for tool in ["orca", "Xvfb", "xdotool", "speech-dispatcher", "openbox", "chromium",
                 "firefox-esr", "espeak-ng"]:
        if not shutil.which(tool) and not os.path.exists("/usr/bin/" + tool):
            print(f"FAIL: {tool} is not installed (scripts/setup test installs it)")
            return 1
    def give_up(signal_number, frame):
        raise SessionError(f"stopped by signal {signal_number} (the test's time is up)")

    signal.signal(signal.SIGALRM, give_up)
    signal.signal(signal.SIGTERM, give_up)
    signal.alarm(DEADLINE)
    server = serve(site)
    url = f"http://127.0.0.1:{server.server_address[1]}/index.html"
    session = Session()
    failed = False
    try:
        session.start()
        for name in names:
            try:
                first_word = play(session, name, url)
                print(f"PASS {name}: first word {first_word * 1000:.0f} ms after Start")
            except SessionError as error:
                failed = True
                print(f"FAIL {error}")
    except SessionError as error:
        failed = True
        print(f"FAIL the session: {error}")
    finally:
        signal.alarm(0)
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        session.stop()
        server.shutdown()
        if failed:
            print(f"(the session's logs are kept in {session.dir})")
        else:
            session.remove()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
