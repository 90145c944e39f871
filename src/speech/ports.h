// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace veltro::speech {

// What the speech output needs of the game: the pause that spelling waits with, which keeps the
// queue served while discarding the game window's keystrokes.
class SpeechPauses {
 public:
  virtual ~SpeechPauses() = default;
  virtual void WaitSeconds(float seconds) = 0;
};

}  // namespace veltro::speech
