// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/audio/stream_graph.h"

#include <cmath>

#include "platform/audio/sound_device.h"
#include "platform/base/platform_error.h"

namespace veltro::platform {
StreamFeed& StreamGraph::Feed() {
  if (!feed_) throw PlatformError("The MP3 player has no file rendered");
  return *feed_;
}

bool StreamGraph::Pump(double ahead_seconds) {
  if (!feed_) return false;
  feed_->SetAhead(ahead_seconds);
  feed_->Pump(ahead_seconds);
  return feed_->Playing();
}

bool StreamGraph::Starved() {
  return feed_ && !feed_->voice().Running();
}

void StreamGraph::RenderFile(const std::string& path) {
  std::lock_guard lock(mutex_);
  if (feed_) throw PlatformError("The MP3 player already holds a file");
  std::unique_ptr<StreamDecoder> decoder = decoders_.OpenStreamDecoder(path);
  if (decoder->Frames() < 0) throw PlatformError("The length of \"" + path + "\" is unknown");
  std::unique_ptr<StreamVoice> voice =
      voices_.CreateStreamVoice(decoder->Channels(), decoder->SamplesPerSecond());
  voice->SetVolume(volume_);
  voice->SetPan(balance_);
  voice->SetPitch(rate_);
  feed_ = std::make_unique<StreamFeed>(std::move(decoder), std::move(voice), false);
  OnChange();
}

void StreamGraph::Run() {
  std::lock_guard lock(mutex_);
  BeforeCall();
  Feed().Play();
  OnChange();
}

void StreamGraph::Stop() {
  std::lock_guard lock(mutex_);
  BeforeCall();
  if (feed_) feed_->Pause();
  OnChange();
}

void StreamGraph::SetVolume(int32_t hundredths_db) {
  if (hundredths_db < kMinVolume || hundredths_db > 0) {
    throw PlatformError("Volume out of range: " + std::to_string(hundredths_db));
  }
  std::lock_guard lock(mutex_);
  if (feed_) feed_->voice().SetVolume(hundredths_db);
  volume_ = hundredths_db;
}

void StreamGraph::SetBalance(int32_t hundredths_db) {
  if (hundredths_db < -kMaxPan || hundredths_db > kMaxPan) {
    throw PlatformError("Balance out of range: " + std::to_string(hundredths_db));
  }
  std::lock_guard lock(mutex_);
  if (feed_) feed_->voice().SetPan(hundredths_db);
  balance_ = hundredths_db;
}

void StreamGraph::SetRate(double rate) {
  if (!(rate > 0 && rate <= kMaxRate)) {
    throw PlatformError("Rate out of range: " + std::to_string(rate));
  }
  std::lock_guard lock(mutex_);
  BeforeCall();  // what played so far played at the old rate
  if (feed_) feed_->SetPitch(rate);
  rate_ = rate;
  OnChange();
}

double StreamGraph::Seconds(int64_t frames) {
  return static_cast<double>(frames) / Feed().SamplesPerSecond();
}

double StreamGraph::CurrentPosition() {
  std::lock_guard lock(mutex_);
  BeforeCall();
  return Seconds(Feed().PositionFrames());
}

void StreamGraph::SetCurrentPosition(double seconds) {
  std::lock_guard lock(mutex_);
  BeforeCall();
  StreamFeed& feed = Feed();
  if (!(seconds >= 0 && seconds <= Seconds(feed.LengthFrames()))) {
    throw PlatformError("Position out of range: " + std::to_string(seconds));
  }
  feed.Seek(std::llround(seconds * feed.SamplesPerSecond()));
  OnChange();
}

double StreamGraph::StopTime() {
  std::lock_guard lock(mutex_);
  BeforeCall();
  return Seconds(Feed().LengthFrames());
}

}  // namespace veltro::platform
