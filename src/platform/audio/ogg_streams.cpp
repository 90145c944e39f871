// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/audio/ogg_streams.h"

#include <algorithm>

#include "platform/audio/sound_device.h"
#include "platform/base/platform_error.h"
#include "platform/decoders/audio_file.h"

namespace veltro::platform {
namespace {

constexpr int32_t kMinAheadSeconds = 1, kMaxAheadSeconds = 30;
// Decoded per stream and pump at most: a tick stays short, and a stream still gains on what it
// plays in 10 ms whatever its rate.
constexpr double kPumpBudgetSeconds = 0.25;
constexpr int32_t kMaxOggLevel = 100;
constexpr int32_t kMaxOggPan = 50;

// A loudness level 1..100 as an attenuation: 0.5 dB per step below 100; level 0 is silence.
int32_t LevelToHundredthsDb(int32_t level) {
  return level == 0 ? -10000 : (level - kMaxOggLevel) * 50;
}

}  // namespace

int32_t OggStreams::InitOgg(int32_t /*reserved*/, intptr_t /*window*/) {
  ready_ = true;
  return 1;
}

int32_t OggStreams::SetOggBufferSize(int32_t seconds) {
  if (!ready_ || seconds < kMinAheadSeconds || seconds > kMaxAheadSeconds) return 0;
  ahead_seconds_ = seconds;
  for (auto& [handle, stream] : streams_) stream->SetAhead(seconds);
  return 1;
}

int32_t OggStreams::UpdateOgg() {
  if (!ready_) return 0;
  for (auto& [handle, stream] : streams_) {
    StreamFeed& feed = *stream;
    TryStep([&] { feed.Pump(kPumpBudgetSeconds); });
  }
  return 1;
}

int32_t OggStreams::ShutdownOgg() {
  streams_.clear();
  ready_ = false;
  return 1;
}

int32_t OggStreams::PlayOggFromDisc(const std::string& path, int32_t loop) {
  if (!ready_ || (loop != 0 && loop != 1)) return 0;
  std::unique_ptr<StreamFeed> feed;
  if (!TryStep([&] {
        std::unique_ptr<StreamDecoder> decoder = decoders_.OpenStreamDecoder(path);
        std::unique_ptr<StreamVoice> voice =
            voices_.CreateStreamVoice(decoder->Channels(), decoder->SamplesPerSecond());
        feed = std::make_unique<StreamFeed>(std::move(decoder), std::move(voice), loop == 1);
        feed->SetAhead(ahead_seconds_);
        feed->Play();
      })) {
    return 0;
  }
  const int32_t handle = next_handle_;
  next_handle_ = next_handle_ == INT32_MAX ? 1 : next_handle_ + 1;
  streams_[handle] = std::move(feed);
  return handle;
}

StreamFeed* OggStreams::Find(int32_t handle) {
  const auto found = streams_.find(handle);
  return found == streams_.end() ? nullptr : found->second.get();
}

int32_t OggStreams::StopOgg(int32_t handle) {
  return streams_.erase(handle) > 0 ? 1 : 0;
}

int32_t OggStreams::PauseOgg(int32_t handle) {
  StreamFeed* feed = Find(handle);
  if (feed == nullptr || feed->Ended()) return 0;
  return TryStep([&] { feed->Paused() ? feed->Play() : feed->Pause(); }) ? 1 : 0;
}

int32_t OggStreams::OggIsPlaying(int32_t handle) {
  StreamFeed* feed = Find(handle);
  bool playing = false;
  if (feed != nullptr) TryStep([&] { playing = feed->Playing(); });
  return playing ? 1 : 0;
}

int32_t OggStreams::OggSetPosition(int32_t handle, int32_t byte_offset) {
  StreamFeed* feed = Find(handle);
  if (feed == nullptr || byte_offset < 0) return 0;
  const int64_t frame = byte_offset / (2 * feed->Channels());
  if (feed->LengthFrames() >= 0 && frame >= feed->LengthFrames()) return 0;
  bool ended = false;
  TryStep([&] { ended = feed->Ended(); });
  if (!TryStep([&] { feed->Seek(frame); })) return 0;
  if (ended) TryStep([&] { feed->Play(); });  // a stream that had ended plays again from there
  return 1;
}

int32_t OggStreams::SetVolumeOfOgg(int32_t level, int32_t handle) {
  StreamFeed* feed = Find(handle);
  if (feed == nullptr || level < 0 || level > kMaxOggLevel) return 0;
  return TryStep([&] { feed->voice().SetVolume(LevelToHundredthsDb(level)); }) ? 1 : 0;
}

int32_t OggStreams::SetPanOfOgg(int32_t pan, int32_t handle) {
  StreamFeed* feed = Find(handle);
  if (feed == nullptr || pan < -kMaxOggPan || pan > kMaxOggPan) return 0;
  return TryStep([&] { feed->voice().SetPan(pan * 100); }) ? 1 : 0;
}

int32_t OggStreams::SetFrequencyOfOgg(int32_t hertz, int32_t handle) {
  StreamFeed* feed = Find(handle);
  if (feed == nullptr) return 0;
  if (hertz != 0 && (hertz < kMinBufferFrequency || hertz > kMaxBufferFrequency)) return 0;
  const double pitch = hertz == 0 ? 1.0 : static_cast<double>(hertz) / feed->SamplesPerSecond();
  return TryStep([&] { feed->SetPitch(pitch); }) ? 1 : 0;
}

int32_t OggStreams::DecodeOggFileToBuffer(const std::string& path, std::vector<uint8_t>& buffer,
                                          int32_t& size, int32_t& channels,
                                          int32_t& samples_per_second) {
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
