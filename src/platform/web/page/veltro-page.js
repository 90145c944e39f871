// SPDX-License-Identifier: GPL-3.0-or-later
// The page around the browser edition: the Start button, the keyboard, the live region and the
// transcript, the browser's voice, the message-box dialog and the help tab. The program reaches
// all of it through the VeltroPage object; the page starts the program (Module) on Start.
'use strict';

const kModifierKeys = new Set([16, 17, 18]);
const kShift = 1, kControl = 2, kAlt = 4;
// The Control commands the game has (spoken altitude, fuel, velocity; screen reader or voice);
// every other Control or Alt combination stays the browser's and the screen reader's.
const kControlCommands = new Set([65, 70, 86, 49, 51]);
// How long a browser with no voices may take to list one before its voice counts as failed.
const kVoiceStartMs = 1500;
// The live region keeps at least this many updates, and older ones for this long (milliseconds).
const kKeptUpdates = 20, kKeptUpdateMs = 60000;
// Said once when the browser's voice cannot speak; its texts then go to the live region.
const kNoVoiceNotice = "The browser's own voice cannot speak here: the game speaks through your " +
                       'screen reader instead.';

const VeltroPage = {
  started: false,
  keys: [],         // key events waiting for the program: [down, code, shift, repeat]
  held: new Map(),  // KeyboardEvent.code of each key held down -> its game key code
  voiceUsed: false,
  voiceFailed: false,
  voiceQueue: [],   // what the browser's voice was given and has not yet started or ended
  soundLog: [],     // one line per sound call of the game
  helpOpenedAt: -Infinity,
  boxAnswer: null,

  element(id) { return document.getElementById(id); },

  // --- the screen reader: what the live region holds is read by the player's screen reader.
  // Everything the game says in one turn of its loop becomes ONE new paragraph: browsers report
  // the paragraphs of one change out of order, and a screen reader takes one message at a time.
  // Every turn adds a new paragraph, so a text said twice is read twice. Old paragraphs go only
  // long after the screen reader took them; none is removed to make way for a new one.
  // (document.ariaNotify is not used: Chromium and Firefox have it, but Orca 43 says nothing of
  // it, and a screen reader that took both would read every text twice.)
  pendingSpeech: [],
  lastUpdate: '',
  say(text) {
    if (this.pendingSpeech.length === 0) queueMicrotask(() => this.flushSpeech());
    this.pendingSpeech.push(text);
  },
  flushSpeech() {
    const texts = this.pendingSpeech.splice(0);
    if (texts.length === 0) return;
    const region = this.element('speech');
    const now = performance.now();
    const update = document.createElement('p');
    // A screen reader drops an update whose text is the same as the one before (Orca takes it for
    // a duplicate event): the same words again end in a no-break space, which is not heard.
    const text = texts.join(' ');
    update.textContent = text === this.lastUpdate ? text + '\u00a0' : text;
    this.lastUpdate = update.textContent;
    update.dataset.at = now;
    region.append(update);
    while (region.childElementCount > kKeptUpdates &&
           now - region.firstElementChild.dataset.at > kKeptUpdateMs) {
      region.firstElementChild.remove();
    }
  },
  // A live region cannot silence the screen reader, and emptying it would lose what the game
  // said but the screen reader has not taken yet: a stop leaves it alone.
  stopSaying() {},

  // Everything the game says, by either back-end, for sighted helpers.
  transcribe(text) {
    const list = this.element('transcript');
    const item = document.createElement('li');
    item.textContent = text;
    list.append(item);
    while (list.childElementCount > 500) list.firstElementChild.remove();
    list.scrollTop = list.scrollHeight;
  },

  // --- the browser's own voice
  voiceAvailable() {
    return typeof speechSynthesis !== 'undefined' && typeof SpeechSynthesisUtterance !== 'undefined';
  },
  voiceNames() { return speechSynthesis.getVoices().map((v) => v.name); },
  voiceSpeak(text, rate, volume, voiceName) {
    this.voiceUsed = true;
    if (this.voiceFailed) {
      this.say(text);
      return;
    }
    const utterance = new SpeechSynthesisUtterance(text);
    utterance.rate = Math.min(10, Math.max(0.1, rate));  // what browsers accept
    utterance.volume = volume;
    const voice = speechSynthesis.getVoices().find((v) => v.name === voiceName);
    if (voice) utterance.voice = voice;
    // A voice that fails (synthesis-failed: Chromium without voices) or, with no voice installed,
    // never starts (Firefox) hands its text, and everything after it, to the live region.
    const queued = { text, settled: false };
    this.voiceQueue.push(queued);
    utterance.onstart = () => { queued.settled = true; };
    const ended = () => {
      queued.settled = true;
      this.voiceQueue = this.voiceQueue.filter((q) => q !== queued);
    };
    utterance.onend = ended;
    utterance.onerror = (event) => {
      if (event.error !== 'interrupted' && event.error !== 'canceled') this.voiceCannotSpeak();
      ended();
    };
    speechSynthesis.speak(utterance);
    if (speechSynthesis.getVoices().length === 0) {
      setTimeout(() => {
        if (!queued.settled && speechSynthesis.getVoices().length === 0) this.voiceCannotSpeak();
      }, kVoiceStartMs);
    }
  },
  // Said once, through the live region, followed by what the voice was still to say; from then on
  // the voice's texts go there.
  voiceCannotSpeak() {
    if (this.voiceFailed) return;
    this.voiceFailed = true;
    const unsaid = this.voiceQueue.filter((q) => !q.settled).map((q) => q.text);
    this.voiceQueue = [];
    if (this.voiceAvailable()) speechSynthesis.cancel();
    this.say(kNoVoiceNotice);
    for (const text of unsaid) this.say(text);
  },
  // A text that no voice could take (the browser has no speech synthesis at all).
  sayUnspoken(text) {
    this.voiceCannotSpeak();
    this.say(text);
  },
  voicePurge() {
    if (!this.voiceFailed) speechSynthesis.cancel();
  },

  // --- the keyboard
  // The next key event for the program packed into one number (down, repeat, modifiers, code),
  // or -1 when there is none.
  takeKey() {
    const key = this.keys.shift();
    if (!key) return -1;
    const [down, code, shift, repeat] = key;
    return (down ? 1 << 24 : 0) | (repeat ? 1 << 23 : 0) | (shift << 16) | code;
  },
  onKey(event, down) {
    if (!this.started || this.boxAnswer) return;
    // A key comes up as the code it went down as, whatever it types by then.
    const code = (!down && this.held.get(event.code)) || VeltroKeys.codeOf(event);
    if (code === undefined) return;
    const shift = (event.shiftKey ? kShift : 0) | (event.ctrlKey ? kControl : 0) |
                  (event.altKey ? kAlt : 0);
    const browserShortcut = event.metaKey || (shift & kAlt) ||
                            ((shift & kControl) && !kControlCommands.has(code));
    if (browserShortcut && !kModifierKeys.has(code)) return;
    if (!kModifierKeys.has(code)) event.preventDefault();
    if (down) {
      this.held.set(event.code, code);
    } else {
      this.held.delete(event.code);
    }
    // F1 opens the help here, while the key press still counts as the player's own gesture.
    if (down && code === 112 && shift === 0 && !event.repeat) this.openHelp();
    this.pushKey(down, code, shift, event.repeat);
  },
  // Hands a key event to the program, waking it if it sleeps.
  pushKey(down, code, shift, repeat) {
    this.keys.push([down, code, shift, repeat]);
    if (this.wakeUp) this.wakeUp();
  },
  // Resolves when a key event arrives or after `milliseconds`.
  waitForKey(milliseconds) {
    if (this.keys.length > 0) return Promise.resolve();
    return new Promise((resolve) => {
      const timer = setTimeout(() => this.wakeUp(), milliseconds);
      this.wakeUp = () => {
        clearTimeout(timer);
        this.wakeUp = null;
        resolve();
      };
    });
  },
  // A tab that loses the keyboard never hears the keys come up: release them, as a desktop
  // window does, so the thrusters do not stay on.
  releaseHeldKeys() {
    for (const code of this.held.values()) this.pushKey(false, code, 0, false);
    this.held.clear();
  },

  // --- the help page, in a new tab
  openHelp() {
    // The key's own opening (above) and the program's (when the key reaches it) are one.
    const now = performance.now();
    if (now - this.helpOpenedAt < 2000) return;
    this.helpOpenedAt = now;
    window.open('help.html', '_blank', 'noopener');
  },

  // --- the message box: a modal dialog answered with OK (1) or Cancel (2)
  messageBox(text, title, withCancel) {
    const backdrop = this.element('box-backdrop');
    const ok = this.element('box-ok');
    const cancel = this.element('box-cancel');
    this.element('box-title').textContent = title.trim() || 'Veltro Lander';
    this.element('box-text').textContent = text;
    cancel.hidden = !withCancel;
    this.element('game').setAttribute('aria-hidden', 'true');
    backdrop.hidden = false;
    ok.focus();
    // Who hears the game through the browser's voice hears the box through it too.
    if (this.voiceUsed && this.voiceAvailable()) this.voiceSpeak(text, 1, 1, '');
    return new Promise((resolve) => {
      this.boxAnswer = (answer) => {
        this.boxAnswer = null;
        backdrop.hidden = true;
        this.element('game').removeAttribute('aria-hidden');
        this.focusGame();
        resolve(answer);
      };
    });
  },
  onBoxKey(event) {
    if (!this.boxAnswer) return;
    if (event.key === 'Escape') {
      event.preventDefault();
      this.boxAnswer(this.element('box-cancel').hidden ? 1 : 2);
    } else if (event.key === 'Enter') {
      event.preventDefault();
      this.boxAnswer(document.activeElement === this.element('box-cancel') ? 2 : 1);
    } else if (event.key === 'Tab') {
      // The focus stays inside the dialog while it is open.
      event.preventDefault();
      const buttons = [this.element('box-ok'), this.element('box-cancel')].filter((b) => !b.hidden);
      const at = buttons.indexOf(document.activeElement);
      buttons[(at + (event.shiftKey ? buttons.length - 1 : 1)) % buttons.length].focus();
    }
  },

  // --- what the program is started with
  // The game's command-line text: ?voice=3 asks for the browser's voice.
  commandLine() { return new URLSearchParams(location.search).get('voice') || ''; },
  // A key script for a scripted run, handed in by whoever drives the page; empty for a player.
  script() { return typeof window.VeltroScript === 'string' ? window.VeltroScript : ''; },
  // The sound log, for a test that asks for it before the page loads (window.VeltroSoundLog).
  soundLogWanted() { return window.VeltroSoundLog === true; },
  logSound(line) { this.soundLog.push(line); },

  // A part of the game that could not be downloaded: said, and shown, with what to do.
  loadFailed(what) {
    if (this.loadFailure || Module.calledRun) return;
    this.loadFailure = what;
    const text = 'The game could not be loaded: part of it did not download (' + what + '). ' +
                 'Check the connection and reload the page (F5).';
    this.element('status').textContent = text;
    // A live region that changes while the page still loads is not read out.
    if (document.readyState === 'complete') {
      this.say(text);
    } else {
      window.addEventListener('load', () => this.say(text), { once: true });
    }
  },

  programEnded(status) {
    this.started = false;
    this.ended = status;
    document.body.classList.remove('playing');
    this.element('game').hidden = true;
    this.element('status').hidden = false;
    this.element('status').textContent = 'The game has ended. Reload the page to play again.';
  },

  // The game area takes the keyboard; a screen reader entering it switches to focus mode.
  focusGame() { this.element('game').focus(); },
  start() {
    if (this.started) return;
    this.started = true;
    this.element('start').hidden = true;
    this.element('game').hidden = false;
    document.body.classList.add('playing');
    // The status line goes quietly: a screen reader would read a new status before the game.
    this.element('status').hidden = true;
    // Orca decides on focus mode when the focus moves, and while the key that pressed Start is
    // still down it counts that key as having interrupted its reading of the page, and stays in
    // browse mode: the focus moves when the key comes up.
    if (this.keyDown) {
      this.focusWhenKeyUp = true;
    } else {
      this.focusGame();
    }
    Module.callMain([]);
  },
};

var Module = {
  noInitialRun: true,
  onAbort(what) { VeltroPage.loadFailed(String(what || 'the program stopped')); },
  onRuntimeInitialized() {
    const status = VeltroPage.element('status');
    status.textContent = 'Ready: press Start.';
    if (VeltroPage.startWhenReady) VeltroPage.start();
  },
  print(text) { console.log(text); },
  printErr(text) { console.warn(text); },
};

// A download that fails before the game runs (the .wasm, the .data) surfaces as an error here.
window.addEventListener('error', (event) => {
  if (!Module.calledRun) VeltroPage.loadFailed(event.message || 'a download failed');
});
window.addEventListener('unhandledrejection', (event) => {
  if (!Module.calledRun) VeltroPage.loadFailed(String(event.reason || 'a download failed'));
});

document.addEventListener('DOMContentLoaded', () => {
  VeltroPage.element('start').addEventListener('click', () => {
    if (VeltroPage.loadFailure) {
      VeltroPage.say(VeltroPage.element('status').textContent);
    } else if (Module.calledRun) {
      VeltroPage.start();
    } else {
      VeltroPage.startWhenReady = true;
      VeltroPage.element('status').textContent = 'Starting as soon as the game has loaded…';
    }
  });
  VeltroPage.element('box-ok').addEventListener('click', () => VeltroPage.boxAnswer?.(1));
  VeltroPage.element('box-cancel').addEventListener('click', () => VeltroPage.boxAnswer?.(2));
  document.addEventListener('keydown', (e) => {
    VeltroPage.keyDown = true;
    if (VeltroPage.boxAnswer) {
      VeltroPage.onBoxKey(e);
    } else {
      VeltroPage.onKey(e, true);
    }
  });
  document.addEventListener('keyup', (e) => {
    VeltroPage.keyDown = false;
    if (VeltroPage.focusWhenKeyUp) {
      VeltroPage.focusWhenKeyUp = false;
      if (!VeltroPage.boxAnswer) VeltroPage.focusGame();
    }
    VeltroPage.onKey(e, false);
  });
  window.addEventListener('blur', () => {
    VeltroPage.keyDown = false;
    VeltroPage.releaseHeldKeys();
  });
  window.addEventListener('focus', () => {
    if (VeltroPage.started && !VeltroPage.boxAnswer) VeltroPage.focusGame();
  });
});
