// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/audio/stream_feed.h"

#include <algorithm>
#include <cmath>

#include "platform/base/platform_error.h"

namespace veltro::platform {
namespace {

// Frames per queued piece: about 0.1 s at 44.1 kHz, small enough to keep the queue's memory low.
constexpr int64_t kPieceFrames = 4096;
// Played at once when a stream starts, so that it sounds before the first pump.
constexpr double kFirstPieceSeconds = 1.0;
// The most kept ahead, whatever the rate: bounds the memory a fast stream queues.
constexpr int64_t kMaxAheadFrames = int64_t{1} << 20;
// A stream restarted after running dry rises from silence over this long: no click.
constexpr double kFadeSeconds = 0.01;

}  // namespace

StreamFeed::StreamFeed(std::unique_ptr<StreamDecoder> decoder, std::unique_ptr<StreamVoice> voice,
                       bool loop)
    : decoder_(std::move(decoder)),
      voice_(std::move(voice)),
      loop_(loop),
      length_(decoder_->Frames()),
      piece_(static_cast<size_t>(kPieceFrames * decoder_->Channels())) {}

int64_t StreamFeed::FramesFor(double seconds) const {
  const double frames = seconds * decoder_->SamplesPerSecond() * pitch_;
  return std::clamp<int64_t>(static_cast<int64_t>(frames), 1, kMaxAheadFrames);
}

void StreamFeed::Play() {
  if (state_ == State::kEnded) return;
  state_ = State::kPlaying;
  Pump(kFirstPieceSeconds);
}

void StreamFeed::Pause() {
  if (state_ != State::kPlaying) return;
  voice_->Pause();
  state_ = State::kPaused;
}

bool StreamFeed::Ended() {
  if (state_ == State::kPlaying && exhausted_ && !voice_->Running() &&
      voice_->PlayedFrames() >= voice_->QueuedFrames()) {
    state_ = State::kEnded;
  }
  return state_ == State::kEnded;
}

bool StreamFeed::Playing() {
  return !Ended() && state_ == State::kPlaying;
}

void StreamFeed::Pump(double budget_seconds) {
  if (!Playing()) return;
  const int64_t pending = voice_->QueuedFrames() - voice_->PlayedFrames();
  const bool dry = !voice_->Running();
  // The queue ran out before this pump: the next piece starts from silence.
  if (dry && pending == 0 && voice_->QueuedFrames() > 0) fade_next_ = true;
  // Whole pieces: a few large buffers queued rather than one small one per pump.
  const int64_t target = FramesFor(ahead_seconds_);
  const int64_t wanted = target - pending;
  if (!exhausted_ && wanted > 0 && (dry || wanted >= std::min(kPieceFrames, target))) {
    Decode(std::min(wanted, FramesFor(budget_seconds)));
  }
  if (dry && voice_->QueuedFrames() > voice_->PlayedFrames()) voice_->Play();
  Ended();
}

void StreamFeed::Decode(int64_t frames) {
  while (frames > 0) {
    int64_t got = 0;
    // A damaged file ends the stream where the damage begins.
    if (!TryStep([&] { got = decoder_->Read(piece_.data(), std::min(frames, kPieceFrames)); })) {
      got = 0;
      since_wrap_ = 0;
    }
    if (got <= 0) {
      // A loop starts over, unless a whole pass gave nothing (an empty or unreadable file).
      if (loop_ && since_wrap_ > 0 && TryStep([&] { decoder_->Seek(0); })) {
        if (length_ < 0 && origin_ == 0) length_ = since_wrap_;
        since_wrap_ = 0;
        continue;
      }
      if (!loop_) length_ = origin_ + voice_->QueuedFrames();
      exhausted_ = true;
      return;
    }
    if (fade_next_) FadeIn(piece_.data(), got);
    fade_next_ = false;
    voice_->Queue(piece_.data(), got);
    since_wrap_ += got;
    frames -= got;
  }
}

void StreamFeed::FadeIn(int16_t* pcm, int64_t frames) {
  const int channels = decoder_->Channels();
  const int64_t fade = std::min(
      frames, static_cast<int64_t>(std::ceil(kFadeSeconds * decoder_->SamplesPerSecond())));
  for (int64_t frame = 0; frame < fade; ++frame) {
    const double gain = static_cast<double>(frame) / static_cast<double>(fade);
    for (int channel = 0; channel < channels; ++channel) {
      int16_t& sample = pcm[frame * channels + channel];
      sample = static_cast<int16_t>(std::lround(sample * gain));
    }
  }
}

void StreamFeed::Seek(int64_t frame) {
  voice_->Flush();
  decoder_->Seek(frame);
  origin_ = frame;
  since_wrap_ = 0;
  exhausted_ = false;
  fade_next_ = false;
  if (state_ == State::kEnded) state_ = State::kPaused;
  if (state_ == State::kPlaying) Pump(kFirstPieceSeconds);
}

void StreamFeed::SetPitch(double pitch) {
  voice_->SetPitch(pitch);
  pitch_ = pitch;
}

int64_t StreamFeed::PositionFrames() {
  if (Ended() && !loop_) return length_;
  const int64_t position = origin_ + voice_->PlayedFrames();
  if (loop_ && length_ > 0) return position % length_;
  return length_ >= 0 ? std::min(position, length_) : position;
}

}  // namespace veltro::platform
