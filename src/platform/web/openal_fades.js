// SPDX-License-Identifier: GPL-3.0-or-later
// Emscripten's OpenAL stops a source's Web Audio nodes at once, which is heard as a click. Here a
// stopped or paused source's nodes fade out over a few milliseconds instead, each through a gain of
// its own, so that the source itself may start again at once. Where a stop falls is unchanged:
// OpenAL has already taken the source's position when it stops the nodes.
LibraryManager.library.$AL.stopSourceAudio = function(src) {
  var fadeSeconds = 0.004;
  var audioCtx = src.context.audioCtx;
  var now = audioCtx.currentTime;
  for (var i = 0; i < src.audioQueue.length; i++) {
    var node = src.audioQueue[i];
    if (node._startTime >= now) {
      node.stop();  // not heard yet: nothing to fade
      continue;
    }
    var fade = audioCtx.createGain();
    fade.gain.setValueAtTime(1, now);
    fade.gain.linearRampToValueAtTime(0, now + fadeSeconds);
    fade.connect(src.gain);
    node.disconnect();
    node.connect(fade);
    node.onended = function() { this.disconnect(); }.bind(fade);
    node.stop(now + fadeSeconds);
  }
  src.audioQueue.length = 0;
};
