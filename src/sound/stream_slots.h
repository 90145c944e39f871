#pragma once

#include <cstdint>
#include <memory>

namespace veltro::sound {

// An MP3 file's player: one filter graph, seen through its control (run, stop), audio (volume,
// balance) and position (rate, position, stop time) roles. Positions are in seconds.
class Mp3Graph {
 public:
  virtual ~Mp3Graph() = default;
  virtual void Run() = 0;
  virtual void Stop() = 0;
  virtual void SetVolume(int32_t hundredths_db) = 0;
  virtual void SetBalance(int32_t hundredths_db) = 0;
  virtual void SetRate(double rate) = 0;
  virtual double CurrentPosition() = 0;
  virtual void SetCurrentPosition(double seconds) = 0;
  virtual double StopTime() = 0;
};

// One OGG stream slot: the OGG library's stream handle (0 = free), the pause flag and the reuse
// class.
struct OggSlot {
  int32_t OggHandle = 0;
  bool OggPaused = false;
  int16_t OggMode = 0;
};

// One MP3 stream slot: the three roles of the slot's graph (all empty when the slot is free).
struct Mp3Slot {
  std::shared_ptr<Mp3Graph> Mp3Control;
  std::shared_ptr<Mp3Graph> Mp3Audio;
  std::shared_ptr<Mp3Graph> Mp3Position;
  bool Mp3Paused = false;
  int16_t Mp3Mode = 0;
};

}  // namespace veltro::sound
