// SPDX-License-Identifier: GPL-3.0-or-later
// The game's sounds keep time even where the browser cannot play them. The program's OpenAL
// (Emscripten's, over Web Audio) tells whether a sound still plays from its AudioContext's clock,
// and a context that cannot start (Firefox with no sound device, a blocked autoplay) keeps that
// clock at 0: the introduction would never end and the game would never speak. A context that has
// not run for a moment gets a clock that runs anyway, so that a sound which cannot play ends after
// its length, as if it had played.
'use strict';

(() => {
  const BrowserAudioContext = window.AudioContext || window.webkitAudioContext;
  if (!BrowserAudioContext) return;
  // A context normally starts running within a few milliseconds of its creation.
  const kStartGraceSeconds = 0.5;

  class GameAudioContext extends BrowserAudioContext {
    constructor(...options) {
      super(...options);
      this.lastRunningAt = performance.now() / 1000;
    }

    get currentTime() {
      const audioTime = super.currentTime;
      const now = performance.now() / 1000;
      if (this.state === 'running') {
        this.lastRunningAt = now;
        return audioTime;
      }
      const stalled = now - this.lastRunningAt;
      return stalled < kStartGraceSeconds ? audioTime : audioTime + stalled;
    }
  }

  window.AudioContext = GameAudioContext;
  if (window.webkitAudioContext) window.webkitAudioContext = GameAudioContext;
})();
