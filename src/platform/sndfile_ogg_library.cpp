#include "platform/sndfile_ogg_library.h"

#include <algorithm>

#include "platform/audio_file.h"
#include "platform/platform_error.h"

namespace veltro::platform {

int32_t SndfileOggLibrary::InitOgg(int32_t /*reserved*/, intptr_t /*window*/) {
  return 1;  // libsndfile needs no start-up: the decoder is ready.
}

int32_t SndfileOggLibrary::SetOggBufferSize(int32_t /*size*/) {
  return 1;
}

int32_t SndfileOggLibrary::UpdateOgg() {
  return 1;
}

int32_t SndfileOggLibrary::ShutdownOgg() {
  return 1;
}

int32_t SndfileOggLibrary::DecodeOggFileToBuffer(const std::string& path,
                                                 std::vector<uint8_t>& buffer, int32_t& size,
                                                 int32_t& channels, int32_t& samples_per_second) {
  AudioData data;
  try {
    // Asked for the size only (a buffer too small for the sound), the header answers: the file
    // is decoded once, on the call that brings a buffer large enough.
    AudioFileInfo probe = ProbeAudioFile(path);
    if (probe.pcm_bytes > 0 && buffer.size() < static_cast<size_t>(probe.pcm_bytes)) {
      size = static_cast<int32_t>(probe.pcm_bytes);  // capped far below 2 GiB by the probe
      channels = probe.format.Channels;
      samples_per_second = probe.format.SamplesPerSec;
      return 1;
    }
    data = LoadAudioFile(path);
  } catch (const PlatformError&) {
    return 0;
  }
  // LoadAudioFile caps the data far below 2 GiB, so the size fits.
  size = static_cast<int32_t>(data.pcm.size());
  channels = data.format.Channels;
  samples_per_second = data.format.SamplesPerSec;
  // A buffer too small only learns the size; the caller comes back with a large enough one.
  if (buffer.size() >= data.pcm.size()) std::copy(data.pcm.begin(), data.pcm.end(), buffer.begin());
  return 1;
}

}  // namespace veltro::platform
