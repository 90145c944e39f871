"""A private desktop session with a real screen reader, for trying the browser edition by ear.

Xvfb on a free display, a D-Bus session bus, the AT-SPI bus, a speech-dispatcher of its own whose
only output module writes down every text it is given (and takes as long to "say" it as espeak-ng
would), openbox, and Debian's Orca run under a name of its own. Every process is started here and
stopped here by its PID (a process group each), never by name: others run the same programs on
this machine.
"""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

# The output module: one START line when a text begins, one END line when it has been said; a text
# cut off by the next has no END line. The text comes from speech-dispatcher in single quotes.
SAY_SCRIPT = r"""#!/bin/sh
transcript="$(dirname "$0")/transcript"
printf 'START %s %s\n' "$(date +%s.%N)" "$2" | tr -d '\r' >>"$transcript"
wav="$(dirname "$0")/say-$$.wav"
espeak-ng -s "$1" -w "$wav" "$2" 2>/dev/null
bytes=$(stat -c %s "$wav" 2>/dev/null || echo 44)
rm -f "$wav"
# espeak-ng writes 22050 Hz, 16-bit mono.
sleep "$(awk -v b="$bytes" 'BEGIN { printf "%.3f", (b - 44) / 44100 }')"
printf 'END %s\n' "$(date +%s.%N)" >>"$transcript"
"""

LOGGER_CONF = """GenericExecuteSynth "{script} $RATE \\'$DATA\\'"
GenericCmdDependency "espeak-ng"
GenericLanguage "en" "en" "utf-8"
AddVoice "en" "MALE1" "en"
DefaultVoice "en"
GenericRateAdd 175
GenericRateMultiply 1
GenericRateForceInteger 1
GenericPunctNone ""
GenericPunctSome ""
GenericPunctMost ""
GenericPunctAll ""
"""

SPEECHD_CONF = """LogLevel 5
AudioOutputMethod "alsa"
AudioALSADevice "null"
AddModule "logger" "sd_generic" "logger.conf"
DefaultModule logger
DefaultLanguage "en"
"""


class SessionError(Exception):
    pass


def wait_until(what, predicate, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.05)
    raise SessionError(f"waited {seconds}s for {what}")


class Session:
    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="veltro-screen-reader-")
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("DBUS_", "XDG_", "SPEECHD_", "WAYLAND", "DISPLAY"))}
        self.env["XDG_RUNTIME_DIR"] = self.path("run")
        self.env["HOME"] = self.path("home")
        self.env["NO_AT_BRIDGE"] = "0"
        self.env["GTK_A11Y"] = "atspi"
        self.env["GNOME_ACCESSIBILITY"] = "1"
        self.env["ACCESSIBILITY_ENABLED"] = "1"
        for folder in ("run", "home/.config/speech-dispatcher", "speechd/modules", "orca", "log"):
            os.makedirs(self.path(folder), mode=0o700, exist_ok=True)
        # A browser looking for speech-dispatcher in the private home must not start one of its own.
        with open(self.path("home/.config/speech-dispatcher/speechd.conf"), "w") as f:
            f.write("DisableAutoSpawn\n")
        self.processes = []  # (name, Popen), stopped in reverse order

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def spawn(self, name, args, **kwargs):
        log = open(self.path("log", name + ".log"), "ab")
        process = subprocess.Popen(args, env=kwargs.pop("env", self.env), stdout=log, stderr=log,
                                   stdin=subprocess.DEVNULL, start_new_session=True, **kwargs)
        self.processes.append((name, process))
        return process

    # --- the pieces, in the order they start
    def start_display(self):
        read, write = os.pipe()
        self.spawn("xvfb", ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                            "-nolisten", "tcp"], pass_fds=(write,))
        os.close(write)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read, 16)
            if not chunk:
                break
            number += chunk
        os.close(read)
        if not number.strip():
            raise SessionError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number.decode().strip()

    def start_buses(self):
        process = subprocess.run(
            ["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1",
             "--nopidfile"], env=self.env, capture_output=True, text=True, timeout=15)
        address, pid = process.stdout.split()[:2]
        self.dbus_pid = int(pid)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.spawn("at-spi-bus", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        wait_until("the AT-SPI bus", lambda: subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"], env=self.env, capture_output=True).returncode == 0, 15)
        subprocess.run(["dbus-send", "--session", "--type=method_call", "--dest=org.a11y.Bus",
                        "/org/a11y/bus", "org.freedesktop.DBus.Properties.Set",
                        "string:org.a11y.Status", "string:IsEnabled", "variant:boolean:true"],
                       env=self.env, capture_output=True, timeout=10)

    def start_speech(self):
        script = self.path("speechd", "say.sh")
        with open(script, "w") as f:
            f.write(SAY_SCRIPT)
        os.chmod(script, 0o755)
        with open(self.path("speechd", "speechd.conf"), "w") as f:
            f.write(SPEECHD_CONF)
        with open(self.path("speechd", "modules", "logger.conf"), "w") as f:
            f.write(LOGGER_CONF.format(script=script))
        open(self.transcript_path(), "w").close()
        socket = self.path("speechd", "speechd.sock")
        self.spawn("speech-dispatcher", [
            "speech-dispatcher", "-s", "-t", "0", "-C", self.path("speechd"), "-c", "unix_socket",
            "-S", socket, "-L", self.path("speechd"), "-l", "5", "-P", self.path("speechd", "pid")])
        wait_until("speech-dispatcher", lambda: os.path.exists(socket), 15)
        self.env["SPEECHD_ADDRESS"] = "unix_socket:" + socket

    def start_orca(self):
        self.spawn("openbox", ["openbox"])
        # Orca's --replace would end every process called orca on the machine; a copy under a name
        # of its own is never confused with anyone else's.
        orca = self.path("veltro-test-orca")
        shutil.copy("/usr/bin/orca", orca)
        with open(self.path("orca", "user-settings.conf"), "w") as f:
            f.write('{"general": {"enableSpeech": true, "speechServerFactory": '
                    '"orca.speechdispatcherfactory", "enableEchoByWord": false, '
                    '"enableKeyEcho": false, "onlySpeakDisplayedText": false, '
                    '"enableTutorialMessages": false, "verbalizePunctuationStyle": 3, '
                    '"presentToolTips": false, "speechServerInfo": null}, '
                    '"keybindings": {}, "profiles": {"default": {"profile": ["Default", "default"]}}, '
                    '"pronunciations": {}}\n')
        self.spawn("orca", ["/usr/bin/python3", orca, "-u", self.path("orca"),
                            "--debug-file", self.path("log", "orca-debug.out")])
        # Orca greets the player once it is ready.
        wait_until("Orca to speak", lambda: self.heard(), 30)

    def start(self):
        self.start_display()
        self.start_buses()
        self.start_speech()
        self.start_orca()

    def stop(self):
        for name, process in reversed(self.processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    os.killpg(process.pid, signal.SIGKILL)
                    process.wait(5)
            else:
                try:  # what the leader left behind in its group
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        if getattr(self, "dbus_pid", None):
            try:
                os.kill(self.dbus_pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        self.processes = []

    def remove(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    # --- what was said
    def transcript_path(self):
        return self.path("speechd", "transcript")

    def heard(self):
        """Every text begun, in order: [(time, text)]."""
        heard = []
        with open(self.transcript_path(), errors="replace") as f:
            for line in f:
                match = re.match(r"START (\S+) (.*)", line.rstrip("\n"))
                if match:
                    heard.append((float(match.group(1)), match.group(2)))
        return heard

    # --- the keyboard: real X key presses, which Orca sees as it would a player's
    def key(self, *keys, delay_ms=40):
        subprocess.run(["xdotool", "key", "--delay", str(delay_ms), *keys], env=self.env,
                       check=True, timeout=10)

    def focus_window_of(self, pid, seconds=30):
        found = []

        def window():
            result = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                                    env=self.env, capture_output=True, text=True, timeout=5)
            found[:] = result.stdout.split()
            return bool(found)

        wait_until(f"a window of process {pid}", window, seconds)
        subprocess.run(["xdotool", "windowactivate", "--sync", found[-1]], env=self.env,
                       capture_output=True, timeout=10)
        return found[-1]
