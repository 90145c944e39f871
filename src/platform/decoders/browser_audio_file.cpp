// SPDX-License-Identifier: GPL-3.0-or-later
// Sound files in the browser edition are decoded by the browser itself (decodeAudioData handles
// WAV, OGG Vorbis and MP3), awaited while the program sleeps.
#include <emscripten.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/platform_error.h"
#include "platform/decoders/audio_file.h"

// Decodes `size` bytes to 16-bit interleaved PCM at the file's own rate. Web Audio gives samples
// at a context's rate, so the file's rate is read from its header (WAV, OGG Vorbis) and the file
// decoded in a context of that rate; other files keep the browser's rate. Returns the malloc'ed
// PCM, or 0 when the browser cannot decode it or it would exceed `max_bytes`; on success sets the
// channel count, rate and byte count.
// clang-format off
EM_ASYNC_JS(void*, veltro_decode_audio, (const void* data, int size, double max_bytes,
                                         int* channels, int* rate, int* bytes), {
  const file = HEAPU8.slice(data, data + size);
  const view = new DataView(file.buffer);
  const text = (at, n) => String.fromCharCode.apply(null, file.subarray(at, at + n));
  let ownRate = 0;
  if (size >= 12 && text(0, 4) === "RIFF" && text(8, 4) === "WAVE") {
    for (let at = 12; at + 8 <= size; at += 8 + view.getUint32(at + 4, true) + (view.getUint32(at + 4, true) & 1)) {
      if (text(at, 4) === "fmt " && at + 16 <= size) { ownRate = view.getUint32(at + 12, true); break; }
    }
  } else if (size >= 4 && text(0, 4) === "OggS") {
    const id = text(0, Math.min(size, 200)).indexOf(String.fromCharCode(1) + "vorbis");
    if (id >= 0 && id + 16 <= size) ownRate = view.getUint32(id + 12, true);
  }
  let audio;
  try {
    const contextRate = ownRate >= 3000 && ownRate <= 384000 ? ownRate : 44100;
    audio = await new OfflineAudioContext(1, 1, contextRate).decodeAudioData(file.buffer);
  } catch (e) {
    return 0;
  }
  const count = audio.numberOfChannels;
  const frames = audio.length;
  if (count < 1 || frames * count * 2 > max_bytes) return 0;
  const pcm = _malloc(Math.max(1, frames * count * 2));
  const out = new Int16Array(HEAPU8.buffer, pcm, frames * count);
  for (let c = 0; c < count; ++c) {
    const samples = audio.getChannelData(c);
    for (let i = 0; i < frames; ++i) {
      const s = Math.max(-1, Math.min(1, samples[i]));
      out[i * count + c] = Math.round(s * 32767);
    }
  }
  HEAP32[channels >> 2] = count;
  HEAP32[rate >> 2] = Math.round(audio.sampleRate);
  HEAP32[bytes >> 2] = frames * count * 2;
  return pcm;
});
// clang-format on

namespace veltro::platform {
namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& why) {
  throw PlatformError("Cannot load sound file \"" + path + "\": " + why);
}

}  // namespace

AudioFileInfo ProbeAudioFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) Refuse(path, "there is no such file");
  // The browser tells the length only by decoding.
  return {};
}

AudioData LoadAudioFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) Refuse(path, "there is no such file");
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  if (bytes.empty()) Refuse(path, "the file is empty");
  if (static_cast<int64_t>(bytes.size()) > kMaxDecodedAudioBytes) Refuse(path, "it is too large");
  int channels = 0, rate = 0, size = 0;
  std::unique_ptr<void, decltype(&std::free)> pcm(
      veltro_decode_audio(bytes.data(), static_cast<int>(bytes.size()),
                          static_cast<double>(kMaxDecodedAudioBytes), &channels, &rate, &size),
      &std::free);
  if (!pcm) Refuse(path, "the browser cannot decode it, or it is too long");
  if (channels > 2) Refuse(path, "it has more than two channels");
  AudioData audio;
  audio.format = Pcm16Format(channels, rate);
  const auto* begin = static_cast<const uint8_t*>(pcm.get());
  audio.pcm.assign(begin, begin + size);
  return audio;
}

}  // namespace veltro::platform
