// SPDX-License-Identifier: GPL-3.0-or-later
// Touch controls: large buttons for what the keyboard does, for a phone or tablet. Each is a real
// button with a name, so VoiceOver and TalkBack users find it and double-tap it, and others tap
// it. A tap sends the game the press and release of the button's key. The thrusters use the
// game's own on/off key (Tab), since holding a button is awkward under a screen reader. They show
// on a touch screen (or after the first touch) and stay out of the way on a desktop.
'use strict';

const VeltroTouch = {
  // [button id, its name, the game's key code]
  buttons: [
    ['touch-previous', 'Previous', 38],
    ['touch-next', 'Next', 40],
    ['touch-choose', 'Choose', 13],
    ['touch-back', 'Back', 27],
    ['touch-thrusters', 'Thrusters on or off', 9],
    ['touch-altitude', 'Altitude', 65],
    ['touch-velocity', 'Velocity', 86],
    ['touch-fuel', 'Fuel', 70],
    ['touch-briefing', 'Briefing', 83],
    ['touch-abort', 'Abort', 81],
    ['touch-help', 'Help', 112],
  ],

  build() {
    const panel = document.getElementById('touch');
    for (const [id, name, code] of this.buttons) {
      const button = document.createElement('button');
      button.type = 'button';
      button.id = id;
      button.textContent = name;
      button.addEventListener('click', () => this.press(code));
      panel.append(button);
    }
    // A touch anywhere shows the controls, even where the browser did not say it has a touch
    // screen.
    document.addEventListener('touchstart', () => document.body.classList.add('touched'),
                               { once: true, passive: true });
  },

  press(code) {
    if (!VeltroPage.started || VeltroPage.boxAnswer) return;
    // The help opens here, while the tap still counts as the player's own gesture.
    if (code === 112) VeltroPage.openHelp();
    VeltroPage.pushKey(true, code, 0, false);
    VeltroPage.pushKey(false, code, 0, false);
  },
};

document.addEventListener('DOMContentLoaded', () => VeltroTouch.build());
