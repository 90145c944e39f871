// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "platform/decoders/pcm_audio.h"

namespace veltro::platform {

// Streams a file from a whole decoded copy in memory (LoadAudioFile): for a platform whose decoder
// cannot read piece by piece, such as the browser's. Refuses what LoadAudioFile refuses.
class WholeFileDecoders : public StreamDecoders {
 public:
  std::unique_ptr<StreamDecoder> OpenStreamDecoder(const std::string& path) override;
};

}  // namespace veltro::platform
