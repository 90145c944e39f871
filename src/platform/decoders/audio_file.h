// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/decoders/pcm_audio.h"

namespace veltro::platform {

// What a sound file holds, read from its header without decoding it: the format it decodes to and
// the number of PCM bytes, or -1 when the decoder cannot tell before decoding. Refuses the same
// files as LoadAudioFile does from their headers.
struct AudioFileInfo {
  WaveFormat format;
  int64_t pcm_bytes = -1;
};
AudioFileInfo ProbeAudioFile(const std::string& path);

// Decodes a WAV, OGG Vorbis or MP3 file (mono or stereo). Throws PlatformError with a message that
// names the file when it is missing, empty, truncated, corrupt, too large or of an unsupported
// kind.
AudioData LoadAudioFile(const std::string& path);

// Streams WAV, OGG Vorbis and MP3 files of any length; refuses the files LoadAudioFile refuses
// from their headers (and empty ones), except for their length.
class SndfileDecoders : public StreamDecoders {
 public:
  std::unique_ptr<StreamDecoder> OpenStreamDecoder(const std::string& path) override;
};

}  // namespace veltro::platform
