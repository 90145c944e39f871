// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/headless/simulated_streams.h"

#include <algorithm>
#include <cmath>

#include "platform/base/platform_error.h"

namespace veltro::platform::headless {
namespace {

constexpr double kPlayerAheadSeconds = 1.0;

class SimulatedFilgraph : public StreamGraph {
 public:
  using StreamGraph::StreamGraph;

 private:
  // Each round decodes a second more, or finds the file's end.
  void BeforeCall() override {
    while (Pump(kPlayerAheadSeconds) && Starved()) {
    }
  }
};

}  // namespace

void SimulatedStreamVoice::CatchUp() {
  const double now = clock_.Now();
  if (running_) {
    played_ += (now - mark_) * rate_ * pitch_;
    if (!self_fed_ && played_ >= static_cast<double>(queued_)) {
      played_ = static_cast<double>(queued_);
      running_ = false;  // ran dry
    }
  }
  mark_ = now;
}

void SimulatedStreamVoice::Queue(const int16_t* /*pcm*/, int64_t frames) {
  CatchUp();
  queued_ += frames;
}

int64_t SimulatedStreamVoice::PlayedFrames() {
  CatchUp();
  return std::min(static_cast<int64_t>(std::floor(played_)), queued_);
}

void SimulatedStreamVoice::Play() {
  CatchUp();
  running_ = self_fed_ || played_ < static_cast<double>(queued_);
}

void SimulatedStreamVoice::Pause() {
  CatchUp();
  running_ = false;
}

void SimulatedStreamVoice::Flush() {
  CatchUp();
  running_ = false;
  queued_ = 0;
  played_ = 0;
}

bool SimulatedStreamVoice::Running() {
  CatchUp();
  return running_ && played_ < static_cast<double>(queued_);
}

void SimulatedStreamVoice::SetVolume(int32_t hundredths_db) {
  settings_->volume = hundredths_db;
  ++settings_->volume_calls;
}

void SimulatedStreamVoice::SetPan(int32_t hundredths_db) {
  settings_->pan = hundredths_db;
  ++settings_->pan_calls;
}

void SimulatedStreamVoice::SetPitch(double pitch) {
  CatchUp();  // what played so far played at the old pitch
  pitch_ = pitch;
  settings_->pitch = pitch;
  ++settings_->pitch_calls;
}

std::unique_ptr<StreamVoice> SimulatedStreamVoices::CreateStreamVoice(int channels,
                                                                      int32_t samples_per_second) {
  if (channels < 1 || channels > 2) throw PlatformError("A stream must be mono or stereo");
  made_.push_back(std::make_shared<SimulatedVoiceSettings>());
  return std::make_unique<SimulatedStreamVoice>(clock_, samples_per_second, self_fed_,
                                                made_.back());
}

std::shared_ptr<FilgraphManager> SimulatedDirectShow::NewFilgraphManager() {
  return std::make_shared<SimulatedFilgraph>(decoders_, voices_);
}

}  // namespace veltro::platform::headless
