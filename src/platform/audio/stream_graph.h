// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <mutex>

#include "platform/audio/filter_graph.h"
#include "platform/audio/stream_feed.h"
#include "platform/audio/stream_voice.h"

namespace veltro::platform {

// The MP3 player on any sound device: the graph's calls with their argument rules and units (see
// FilgraphManager) over one StreamFeed. A back-end brings a decoder, voices and the way the feed
// is kept going: a thread of its own (OnChange wakes it), or catching up at each call
// (BeforeCall). Every call holds the graph's lock.
class StreamGraph : public FilgraphManager {
 public:
  StreamGraph(StreamDecoders& decoders, StreamVoices& voices)
      : decoders_(decoders), voices_(voices) {}

  void RenderFile(const std::string& path) override;
  void Run() override;
  void Stop() override;
  void SetVolume(int32_t hundredths_db) override;
  void SetBalance(int32_t hundredths_db) override;
  void SetRate(double rate) override;
  double CurrentPosition() override;
  void SetCurrentPosition(double seconds) override;
  double StopTime() override;

 protected:
  static constexpr double kMaxRate = 64;

  // Keeps the feed going; the caller holds `mutex_`. False when nothing is left to do until the
  // next change (nothing rendered, stopped, or played to the end).
  bool Pump(double ahead_seconds);
  // The voice has played all it was given; the caller holds `mutex_`.
  bool Starved();
  virtual void OnChange() {}
  virtual void BeforeCall() {}

  std::mutex mutex_;

 private:
  StreamFeed& Feed();
  // Frames of the rendered file as seconds.
  double Seconds(int64_t frames);

  StreamDecoders& decoders_;
  StreamVoices& voices_;
  std::unique_ptr<StreamFeed> feed_;
  int32_t volume_ = 0, balance_ = 0;
  double rate_ = 1;
};

}  // namespace veltro::platform
