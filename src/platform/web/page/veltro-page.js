// The page around the browser edition: the Start button, the keyboard, the live region and the
// transcript, the browser's voice, the message-box dialog and the help tab. The program reaches
// all of it through the VeltroPage object; the page starts the program (Module) on Start.
'use strict';

const kModifierKeys = new Set([16, 17, 18]);
const kShift = 1, kControl = 2, kAlt = 4;
// The Control commands the game has (spoken altitude, fuel, velocity; screen reader or voice);
// every other Control or Alt combination stays the browser's and the screen reader's.
const kControlCommands = new Set([65, 70, 86, 49, 51]);

const VeltroPage = {
  started: false,
  keys: [],         // key events waiting for the program: [down, code, shift, repeat]
  held: new Map(),  // KeyboardEvent.code of each key held down -> its game key code
  voiceUsed: false,
  soundLog: [],     // one line per sound call of the game
  helpOpenedAt: -Infinity,
  boxAnswer: null,

  element(id) { return document.getElementById(id); },

  // --- the screen reader: what the live region holds is read by the player's screen reader
  say(text, interrupt) {
    const region = this.element('speech');
    if (interrupt) region.textContent = '';
    const line = document.createElement('p');
    line.textContent = text;
    region.append(line);
    while (region.childElementCount > 20) region.firstElementChild.remove();
  },
  stopSaying() { this.element('speech').textContent = ''; },

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
    const utterance = new SpeechSynthesisUtterance(text);
    utterance.rate = Math.min(10, Math.max(0.1, rate));  // what browsers accept
    utterance.volume = volume;
    const voice = speechSynthesis.getVoices().find((v) => v.name === voiceName);
    if (voice) utterance.voice = voice;
    speechSynthesis.speak(utterance);
  },
  voicePurge() { speechSynthesis.cancel(); },

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
    this.keys.push([down, code, shift, event.repeat]);
  },
  // A tab that loses the keyboard never hears the keys come up: release them, as a desktop
  // window does, so the thrusters do not stay on.
  releaseHeldKeys() {
    for (const code of this.held.values()) this.keys.push([false, code, 0, false]);
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
  logSound(line) { this.soundLog.push(line); },

  programEnded(status) {
    this.started = false;
    this.ended = status;
    this.element('game').hidden = true;
    this.element('status').textContent = 'The game has ended. Reload the page to play again.';
  },

  focusGame() { this.element('game').focus(); },
  start() {
    if (this.started) return;
    this.started = true;
    this.element('start').hidden = true;
    this.element('game').hidden = false;
    this.focusGame();
    this.element('status').textContent = 'The game is running.';
    Module.callMain([]);
  },
};

var Module = {
  noInitialRun: true,
  onRuntimeInitialized() {
    const status = VeltroPage.element('status');
    status.textContent = 'Ready: press Start.';
    if (VeltroPage.startWhenReady) VeltroPage.start();
  },
  print(text) { console.log(text); },
  printErr(text) { console.warn(text); },
};

document.addEventListener('DOMContentLoaded', () => {
  VeltroPage.element('start').addEventListener('click', () => {
    if (Module.calledRun) {
      VeltroPage.start();
    } else {
      VeltroPage.startWhenReady = true;
      VeltroPage.element('status').textContent = 'Starting as soon as the game has loaded…';
    }
  });
  VeltroPage.element('box-ok').addEventListener('click', () => VeltroPage.boxAnswer?.(1));
  VeltroPage.element('box-cancel').addEventListener('click', () => VeltroPage.boxAnswer?.(2));
  document.addEventListener('keydown', (e) => {
    if (VeltroPage.boxAnswer) {
      VeltroPage.onBoxKey(e);
    } else {
      VeltroPage.onKey(e, true);
    }
  });
  document.addEventListener('keyup', (e) => VeltroPage.onKey(e, false));
  window.addEventListener('blur', () => VeltroPage.releaseHeldKeys());
  window.addEventListener('focus', () => {
    if (VeltroPage.started && !VeltroPage.boxAnswer) VeltroPage.focusGame();
  });
});
