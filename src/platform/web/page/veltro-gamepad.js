// SPDX-License-Identifier: GPL-3.0-or-later
// Gamepads in the page: the browser's Gamepad API, read every 20 ms, each control standing for a
// key of the keyboard as on the desktop, so that a gamepad plays the whole game. A pad's south
// button also presses Start and answers the message box.
'use strict';

const VeltroGamepad = {
  // The controls of the standard mapping and the keys they stand for (the same as the desktop's).
  // The south button (A) chooses in menus and fires the thrusters while a flight runs.
  kBindings: [
    { button: 0, code: 13 },              // A, south: Enter (the space bar in flight)
    { button: 1, code: 27 },              // B, east: Escape
    { button: 3, code: 70 },              // Y, north: F, the fuel
    { button: 4, code: 65 },              // left shoulder: A, the altitude
    { button: 5, code: 86 },              // right shoulder: V, the velocity
    { button: 8, code: 81 },              // Back, Select: Q, abort
    { button: 9, code: 112, shift: 1 },   // Start: Shift+F1, the keys
    { button: 12, code: 38 }, { button: 13, code: 40 },  // the d-pad: arrows
    { button: 14, code: 37 }, { button: 15, code: 39 },
    { axis: 1, direction: -1, code: 38 }, { axis: 1, direction: 1, code: 40 },  // left stick
    { axis: 0, direction: -1, code: 37 }, { axis: 0, direction: 1, code: 39 },
    { button: 6, code: 32 }, { button: 7, code: 32 },  // either trigger held: the space bar
  ],
  kSouthButton: 0,
  // A control presses its key past half way and lets go below a quarter: a resting stick that
  // trembles near the middle does not press and let go again and again.
  kPressed: 0.5,
  kLetGo: 0.25,

  inFlight: false,  // told by the program
  holding: new Map(),  // "pad index/binding index" -> the key code it holds down

  heldElsewhere(code) {
    for (const held of this.holding.values()) if (held === code) return true;
    return false;
  },
  // A control pressed or let go; its key goes down with the first control that holds it and up
  // with the last (the d-pad and the stick both hold the arrows).
  press(id, binding, pressed) {
    if (pressed === this.holding.has(id)) return;
    const shift = binding.shift || 0;
    if (pressed) {
      const code = binding === this.kBindings[this.kSouthButton] && this.inFlight ? 32 : binding.code;
      const alreadyDown = this.heldElsewhere(code);
      this.holding.set(id, code);
      if (!alreadyDown) this.deliver(true, code, shift);
    } else {
      const code = this.holding.get(id);
      this.holding.delete(id);
      if (!this.heldElsewhere(code)) this.deliver(false, code, shift);
    }
  },
  deliver(down, code, shift) {
    if (!VeltroPage.started) {
      if (down && code === 13 && typeof Module !== 'undefined' && Module.calledRun) VeltroPage.start();
    } else if (VeltroPage.boxAnswer) {
      if (down && code === 13) VeltroPage.boxAnswer(1);
      if (down && code === 27) VeltroPage.boxAnswer(VeltroPage.element('box-cancel').hidden ? 1 : 2);
    } else {
      VeltroPage.pushKey(down, code, shift, false);
    }
  },
  // Reads the pads every 20 ms while one is connected, else once a second: an idle page without
  // a pad wakes for it no more than that.
  poll() {
    const pads = navigator.getGamepads ? Array.from(navigator.getGamepads()) : [];
    setTimeout(() => this.poll(), pads.some((pad) => pad && pad.connected) ? 20 : 1000);
    const seen = new Set();
    pads.forEach((pad, p) => {
      if (!pad || !pad.connected) return;
      this.kBindings.forEach((binding, b) => {
        const id = `${p}/${b}`;
        seen.add(id);
        const value = binding.button !== undefined ? pad.buttons[binding.button]?.value ?? 0
                                                   : (pad.axes[binding.axis] ?? 0) * binding.direction;
        if (value > this.kPressed) this.press(id, binding, true);
        if (value < this.kLetGo) this.press(id, binding, false);
      });
    });
    // A pad unplugged lets go of its keys.
    for (const id of [...this.holding.keys()]) {
      if (!seen.has(id)) this.press(id, this.kBindings[Number(id.split('/')[1])], false);
    }
  },
};

VeltroGamepad.poll();
