// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio/stream_voice.h"

namespace veltro::platform {

// One file streaming into one voice: decodes ahead of what has played, loops when asked, keeps
// the play position, and starts the voice again, faded in, when the queue ran out before the next
// pump. Both the OGG library and the MP3 player are made of these.
class StreamFeed {
 public:
  StreamFeed(std::unique_ptr<StreamDecoder> decoder, std::unique_ptr<StreamVoice> voice, bool loop);

  // How many seconds of playing time are kept queued.
  void SetAhead(double seconds) { ahead_seconds_ = seconds; }
  // Starts or resumes playing; queues a first piece at once.
  void Play();
  void Pause();
  // Decodes and queues up to the ahead time, at most `budget_seconds` of audio in this call, and
  // restarts a voice that ran dry. Nothing for a stream that is not playing.
  void Pump(double budget_seconds);
  // Moves to `frame`: what was queued is dropped; a playing stream goes on from there, a paused
  // or ended one stays still (an ended one then counts as paused).
  void Seek(int64_t frame);
  void SetPitch(double pitch);

  bool Playing();  // started, not paused, not ended
  bool Paused() const { return state_ == State::kPaused; }
  bool Ended();
  // The frame of the file being heard; the length once a stream that does not loop has ended.
  int64_t PositionFrames();
  // The file's length in frames (-1 unknown); a file that ends early is as long as it played.
  int64_t LengthFrames() const { return length_; }
  int Channels() const { return decoder_->Channels(); }
  int32_t SamplesPerSecond() const { return decoder_->SamplesPerSecond(); }
  StreamVoice& voice() { return *voice_; }

 private:
  enum class State { kPlaying, kPaused, kEnded };
  int64_t FramesFor(double seconds) const;
  // Decodes up to `frames` frames into the voice; at the file's end it loops or marks it done.
  void Decode(int64_t frames);
  void FadeIn(int16_t* pcm, int64_t frames);

  std::unique_ptr<StreamDecoder> decoder_;
  std::unique_ptr<StreamVoice> voice_;
  bool loop_;
  State state_ = State::kPaused;
  double ahead_seconds_ = 1;
  double pitch_ = 1;
  int64_t length_;
  int64_t origin_ = 0;      // the file frame where the voice's queue begins
  int64_t since_wrap_ = 0;  // frames decoded since the last start or wrap (a loop guard)
  bool exhausted_ = false;  // the file has nothing more to decode
  bool fade_next_ = false;  // the next piece starts a voice that ran dry
  std::vector<int16_t> piece_;
};

}  // namespace veltro::platform
