#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sound_device.h"
#include "platform/stream_voice.h"

namespace veltro::platform {

// The largest sound we decode into memory. Anything bigger is refused before a byte is allocated:
// a game's cue sounds are small, and a damaged header must not make us allocate gigabytes.
constexpr int64_t kMaxDecodedAudioBytes = int64_t{64} * 1024 * 1024;

// A whole sound file decoded to 16-bit interleaved PCM in the file's own rate and channel count.
struct AudioData {
  WaveFormat format;
  std::vector<uint8_t> pcm;
};

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

// What a secondary sound buffer accepts, on every device: PCM, mono or stereo, 8 or 16 bits, a
// rate of 100 to 200000 Hz, and mono only when it is a 3D buffer. Throws PlatformError otherwise.
constexpr int32_t kMinBufferFrequency = 100;
constexpr int32_t kMaxBufferFrequency = 200000;
void CheckBufferFormat(const BufferDesc& desc, const WaveFormat& format);

// What the primary buffer accepts as the device's output format: PCM, mono or stereo, 8 or 16
// bits. Throws PlatformError otherwise.
void CheckOutputFormat(const WaveFormat& format);

// Streams WAV, OGG Vorbis and MP3 files of any length; refuses the files LoadAudioFile refuses
// from their headers (and empty ones), except for their length.
class SndfileDecoders : public StreamDecoders {
 public:
  std::unique_ptr<StreamDecoder> OpenStreamDecoder(const std::string& path) override;
};

// The 16-bit PCM format of `channels` channels at `samples_per_second`.
WaveFormat Pcm16Format(int channels, int32_t samples_per_second);

}  // namespace veltro::platform
