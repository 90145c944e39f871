// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltro::platform {

// The OGG library: decodes OGG files whole for the sound engine's buffers, and streams them from
// disk, each stream playing by itself once started and kept fed by UpdateOgg every 10 ms.
//
// Results follow the library's own convention: non-zero for success, 0 for failure (an unknown
// handle, a value out of range, the library not started); nothing is thrown.
//
// Units:
// - SetOggBufferSize: seconds of playing time kept decoded and queued ahead of each stream, 1 to 30
//   (5 when the engine starts the library). That much may pass without UpdateOgg before a stream
//   runs dry; one that does goes on, faded in, at the next UpdateOgg.
// - OggSetPosition: a byte offset into the stream's decoded 16-bit PCM (frames x 2 x channels). A
//   playing or paused stream stays so; one that had ended plays again from there.
// - SetVolumeOfOgg: 0 silent, 1 to 100 in steps of 0.5 dB up to full level at 100.
// - SetPanOfOgg: -50 (left) to 50 (right), each step one decibel off the far side.
// - SetFrequencyOfOgg: the playback rate in hertz, 100 to 200000; 0 is the file's own rate.
// - Handles count up from 1 and are never reused while the library runs.
class OggLibrary {
 public:
  virtual ~OggLibrary() = default;
  // Non-zero: the library is ready. Both arguments are accepted and not needed.
  virtual int32_t InitOgg(int32_t reserved, intptr_t window) = 0;
  virtual int32_t SetOggBufferSize(int32_t seconds) = 0;
  // Services all open streams. Harmless before InitOgg and after ShutdownOgg.
  virtual int32_t UpdateOgg() = 0;
  // Stops every stream; the library needs InitOgg again before the next stream.
  virtual int32_t ShutdownOgg() = 0;

  // Starts streaming a file: a handle of a stream already playing, or 0 when the file cannot be
  // played. `loop` 1 repeats it until stopped, 0 plays it once.
  virtual int32_t PlayOggFromDisc(const std::string& path, int32_t loop) = 0;
  // Ends the stream; its handle is no longer valid.
  virtual int32_t StopOgg(int32_t handle) = 0;
  // Pauses a playing stream, resumes a paused one; 0 for a stream that has ended.
  virtual int32_t PauseOgg(int32_t handle) = 0;
  // Non-zero while the stream plays; 0 when it is paused, has ended, or is unknown.
  virtual int32_t OggIsPlaying(int32_t handle) = 0;
  virtual int32_t OggSetPosition(int32_t handle, int32_t byte_offset) = 0;
  virtual int32_t SetVolumeOfOgg(int32_t level, int32_t handle) = 0;
  virtual int32_t SetPanOfOgg(int32_t pan, int32_t handle) = 0;
  virtual int32_t SetFrequencyOfOgg(int32_t hertz, int32_t handle) = 0;

  // Decodes a whole file to 16-bit PCM. Always sets `size` (bytes), `channels` and
  // `samples_per_second`; fills `buffer` only when it holds at least `size` bytes.
  // Non-zero on success, 0 on failure.
  virtual int32_t DecodeOggFileToBuffer(const std::string& path, std::vector<uint8_t>& buffer,
                                        int32_t& size, int32_t& channels,
                                        int32_t& samples_per_second) = 0;
};

}  // namespace veltro::platform
