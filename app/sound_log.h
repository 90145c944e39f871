// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>

#include "game/ports.h"
#include "platform/base/log_write_check.h"
#include "platform/events/event_loop.h"

namespace veltro::app {

// The game's sound calls, passed on to the sound engine and written down one line each: the
// event loop's clock in seconds with three decimals, the operation with its arguments, and
// its result ("-> 3"); an argument the engine changed shows its new value after "=>". The same
// query asked again and again with the same answer (a wait polling IsPlaying) is one line, with
// the number of repeats written when something else happens. Lines are formatted into buffers
// kept from call to call, so that logging costs little beside the game's own work.
class SoundLog : public game::GameSound {
 public:
  SoundLog(game::GameSound& inner, platform::EventLoop& events, std::ostream& out);
  ~SoundLog() override;

  void DSInit() override;
  int16_t PlaySound(const std::string& waveFileIn, int16_t& Volume, int32_t& Frequency,
                    int16_t& Pan, int32_t& StartPosition, int16_t& DSFlags) override;
  bool IsPlaying(int16_t Index) override;
  void StopPlay(int16_t Index) override;
  void SetVolume(int16_t Index, int16_t Volume) override;
  void SetPan(int16_t Index, int16_t Pan) override;
  void SetFrequency(int16_t Index, int32_t& Frequency) override;

 private:
  // Starts the next line's text in `line_`; the calls append to it.
  std::string& Begin();
  void WriteLine(bool may_repeat = false);
  void WriteRepeats();
  void Write(float time, const std::string& text, const char* tail);

  game::GameSound& inner_;
  platform::EventLoop& events_;
  std::ostream& out_;
  std::string line_, last_line_, written_;
  int repeats_ = 0;
  float last_repeat_time_ = 0;
  platform::LogWriteCheck check_{"the sound log"};
};

}  // namespace veltro::app
