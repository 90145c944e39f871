// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <AL/al.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "platform/audio/filter_graph.h"
#include "platform/audio/stream_graph.h"
#include "platform/audio/stream_voice.h"
#include "platform/openal/openal_context.h"
#include "platform/openal/openal_sound_system.h"

namespace veltro::platform::desktop {

// A stream's output on OpenAL Soft: one streaming source per channel, whose queued buffers are
// recycled as they play. A mono stream is placed by its pan like a mono sound buffer. A stereo
// stream's two sources sit hard left and hard right and start, pause and run dry together; its
// pan lowers the far channel, as DirectSound pans a stereo buffer.
class OpenAlStreamVoice : public StreamVoice {
 public:
  OpenAlStreamVoice(std::shared_ptr<OpenAlContext> context, int channels,
                    int32_t samples_per_second);
  OpenAlStreamVoice(const OpenAlStreamVoice&) = delete;
  OpenAlStreamVoice& operator=(const OpenAlStreamVoice&) = delete;
  ~OpenAlStreamVoice() override;

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
  // Takes back the buffers that have played, counting their frames.
  void Reclaim();
  void CreateSources();
  void ApplyGainAndPlacement();
  ALint State();
  // Ends a pause's fade: the sources pause where the pause fell, at their own gain again.
  void FinishFade();
  // Sources heard now (playing or fading out) go to the device, silenced, with their buffers, to
  // be deleted once faded. Returns false, keeping them, when nothing is heard.
  bool LetGoFadingOut();

  std::shared_ptr<OpenAlContext> context_;
  int channels_;
  int32_t rate_;
  std::vector<ALuint> sources_;          // one per channel, left first
  std::map<ALuint, int64_t> frames_of_;  // every buffer made, with the frames it holds
  std::vector<ALuint> free_;
  std::vector<int16_t> channel_;  // one channel of a piece, for its source
  int64_t queued_ = 0, reclaimed_ = 0;
  int32_t volume_ = 0, pan_ = 0;
  float pitch_ = 1.0f;
  // A paused stream fades out while its sources play on silent, until the device has mixed the
  // fade or the next call needs them; it counts as paused, at the frames it had played, from the
  // moment it was paused. While paused it is used from the user-interface thread alone.
  bool fading_ = false;
  OpenAlContext::FadeId fade_ = 0;
  std::vector<ALint> paused_at_;  // each source's sample offset at the pause
};

// Voices on the device the sound system opened last.
class OpenAlStreamVoices : public StreamVoices {
 public:
  explicit OpenAlStreamVoices(OpenAlSoundSystem& system) : system_(system) {}
  std::unique_ptr<StreamVoice> CreateStreamVoice(int channels, int32_t samples_per_second) override;

 private:
  OpenAlSoundSystem& system_;
};

// The MP3 player whose own thread keeps its source fed, a second of sound ahead (or, where no
// thread can start, each call to it).
class OpenAlFilgraph : public StreamGraph {
 public:
  OpenAlFilgraph(StreamDecoders& decoders, OpenAlStreamVoices& voices,
                 std::shared_ptr<OpenAlContext> context);
  OpenAlFilgraph(const OpenAlFilgraph&) = delete;
  OpenAlFilgraph& operator=(const OpenAlFilgraph&) = delete;
  ~OpenAlFilgraph() override;

 private:
  void OnChange() override;
  void BeforeCall() override;
  void Feed();

  std::shared_ptr<OpenAlContext> context_;
  std::condition_variable changed_;
  bool change_ = false, quit_ = false, threadless_ = false;
  std::thread thread_;
};

class OpenAlDirectShow : public DirectShow {
 public:
  OpenAlDirectShow(StreamDecoders& decoders, OpenAlSoundSystem& system)
      : decoders_(decoders), system_(system), voices_(system) {}
  std::shared_ptr<FilgraphManager> NewFilgraphManager() override;

 private:
  StreamDecoders& decoders_;
  OpenAlSoundSystem& system_;
  OpenAlStreamVoices voices_;
};

}  // namespace veltro::platform::desktop
