// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/audio/sound_device.h"

namespace veltro::platform::desktop {

class OpenAlContext;

// The sound device on OpenAL Soft. By default DirectSoundCreate opens the machine's default
// output (or the one it names); a loopback system instead mixes into memory, for tests, and
// Render hands out what it mixed.
class OpenAlSoundSystem : public SoundSystem {
 public:
  // A system whose devices render stereo float samples at `sample_rate` into memory.
  static std::unique_ptr<OpenAlSoundSystem> Loopback(int sample_rate = 44100);

  // The device created last, while it is open (streams play there); null otherwise.
  std::shared_ptr<OpenAlContext> CurrentContext() const { return last_context_.lock(); }

  // Mixes `frames` stereo frames (left, right interleaved) on the device created last.
  // Loopback systems only.
  std::vector<float> Render(int frames);

  // Lets the device created last rest when none of its sounds plays any more: for the sounds
  // that end by themselves while nobody asks after them.
  void RestIfSilent();

 protected:
  std::shared_ptr<SoundDevice> MakeDevice(const std::string& device_id) override;

 private:
  int loopback_rate_ = 0;  // 0: a real output device
  std::weak_ptr<OpenAlContext> last_context_;
};

}  // namespace veltro::platform::desktop
