// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <vector>

#include "platform/audio/filter_graph.h"
#include "platform/audio/stream_graph.h"
#include "platform/audio/stream_voice.h"
#include "platform/headless/virtual_clock.h"

namespace veltro::platform::headless {

// What a voice was told, kept for tests: the last values and how often each was set.
struct SimulatedVoiceSettings {
  int32_t volume = 0, pan = 0;
  double pitch = 1;
  int volume_calls = 0, pan_calls = 0, pitch_calls = 0;
  bool operator==(const SimulatedVoiceSettings&) const = default;
};

// A stream's output that plays nothing but keeps time: what is queued plays on the virtual clock
// at the data's rate times the pitch, and the voice stops by itself where the queue runs out.
// A voice fed by its own player (`self_fed`) never stops for want of data: time runs on, and
// what is queued later is counted as played up to the clock.
class SimulatedStreamVoice : public StreamVoice {
 public:
  SimulatedStreamVoice(VirtualClock& clock, int32_t samples_per_second, bool self_fed,
                       std::shared_ptr<SimulatedVoiceSettings> settings)
      : clock_(clock),
        rate_(samples_per_second),
        self_fed_(self_fed),
        mark_(clock.Now()),
        settings_(std::move(settings)) {}

  void Queue(const int16_t* pcm, int64_t frames) override;
  int64_t QueuedFrames() override { return queued_; }
  int64_t PlayedFrames() override;
  void Play() override;
  void Pause() override;
  void Flush() override;
  bool Running() override;
  void SetVolume(int32_t hundredths_db) override;
  void SetPan(int32_t hundredths_db) override;
  void SetPitch(double pitch) override;

 private:
  // Brings the played count up to the clock's time.
  void CatchUp();

  VirtualClock& clock_;
  int32_t rate_;
  bool self_fed_;
  double pitch_ = 1;
  bool running_ = false;
  int64_t queued_ = 0;
  double played_ = 0;  // frames, as of mark_
  double mark_;
  std::shared_ptr<SimulatedVoiceSettings> settings_;
};

class SimulatedStreamVoices : public StreamVoices {
 public:
  explicit SimulatedStreamVoices(VirtualClock& clock, bool self_fed = false)
      : clock_(clock), self_fed_(self_fed) {}
  std::unique_ptr<StreamVoice> CreateStreamVoice(int channels, int32_t samples_per_second) override;
  // The settings of every voice made, in order.
  const std::vector<std::shared_ptr<SimulatedVoiceSettings>>& made() const { return made_; }

 private:
  VirtualClock& clock_;
  bool self_fed_;
  std::vector<std::shared_ptr<SimulatedVoiceSettings>> made_;
};

// MP3 players in virtual time. A player feeds itself: every call first decodes up to the clock's
// time and a second beyond, so it never runs dry however long nothing asks it.
class SimulatedDirectShow : public DirectShow {
 public:
  SimulatedDirectShow(StreamDecoders& decoders, VirtualClock& clock)
      : decoders_(decoders), voices_(clock, true) {}
  std::shared_ptr<FilgraphManager> NewFilgraphManager() override;
  const SimulatedStreamVoices& voices() const { return voices_; }

 private:
  StreamDecoders& decoders_;
  SimulatedStreamVoices voices_;
};

}  // namespace veltro::platform::headless
