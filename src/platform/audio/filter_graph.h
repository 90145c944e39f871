// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace veltro::platform {

// The MP3 player: one graph per file, in the roles the sound engine uses (control: render, run,
// stop; audio: volume, balance; position: rate, position, stop time). It plays by itself once
// running; nothing the user-interface thread does or fails to do holds it up. Every call that
// fails throws PlatformError.
//
// Units: volume 0 (full) to -10000 (silent) and balance -10000 (left) to 10000 (right), both in
// hundredths of a decibel; rate a speed factor above 0 (1 normal, 2 twice as fast, at most 64);
// positions and the stop time in seconds of the file (a rate does not change them).
class FilgraphManager {
 public:
  virtual ~FilgraphManager() = default;
  // Prepares the graph to play the file; a graph renders one file.
  virtual void RenderFile(const std::string& path) = 0;
  // Starts or resumes playing from the current position.
  virtual void Run() = 0;
  // Stops playing; the position stays where it was.
  virtual void Stop() = 0;
  virtual void SetVolume(int32_t hundredths_db) = 0;
  virtual void SetBalance(int32_t hundredths_db) = 0;
  virtual void SetRate(double rate) = 0;
  virtual double CurrentPosition() = 0;
  virtual void SetCurrentPosition(double seconds) = 0;
  // The file's length in seconds: the position reaches it when the file has played to its end.
  virtual double StopTime() = 0;
};

// Makes MP3 players ("new FilgraphManager").
class DirectShow {
 public:
  virtual ~DirectShow() = default;
  virtual std::shared_ptr<FilgraphManager> NewFilgraphManager() = 0;
};

}  // namespace veltro::platform
