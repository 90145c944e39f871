#include "sound_log.h"

#include <cstdio>

namespace veltro::app {
namespace {

// "name=value", or "name=value=>new" when the call changed an argument passed by reference.
template <class T>
std::string Argument(const char* name, T before, T after) {
  std::string text = std::string(name) + "=" + std::to_string(before);
  if (after != before) text += "=>" + std::to_string(after);
  return text;
}

}  // namespace

SoundLog::SoundLog(game::GameSound& inner, platform::EventLoop& events, std::ostream& out)
    : inner_(inner), events_(events), out_(out) {}

SoundLog::~SoundLog() {
  WriteRepeats();
  out_.flush();
}

void SoundLog::DSInit() {
  inner_.DSInit();
  WriteLine("DSInit()");
}

int16_t SoundLog::PlaySound(const std::string& waveFileIn, int16_t& Volume, int32_t& Frequency,
                            int16_t& Pan, int32_t& StartPosition, int16_t& DSFlags) {
  const int16_t volume = Volume, pan = Pan, flags = DSFlags;
  const int32_t frequency = Frequency, start = StartPosition;
  int16_t handle = inner_.PlaySound(waveFileIn, Volume, Frequency, Pan, StartPosition, DSFlags);
  WriteLine("PlaySound(\"" + waveFileIn + "\", " + Argument("Volume", volume, Volume) + ", " +
            Argument("Frequency", frequency, Frequency) + ", " + Argument("Pan", pan, Pan) + ", " +
            Argument("StartPosition", start, StartPosition) + ", " +
            Argument("DSFlags", flags, DSFlags) + ") -> " + std::to_string(handle));
  return handle;
}

bool SoundLog::IsPlaying(int16_t Index) {
  bool playing = inner_.IsPlaying(Index);
  WriteLine("IsPlaying(" + std::to_string(Index) + ") -> " + (playing ? "true" : "false"), true);
  return playing;
}

void SoundLog::StopPlay(int16_t Index) {
  inner_.StopPlay(Index);
  WriteLine("StopPlay(" + std::to_string(Index) + ")");
}

void SoundLog::SetVolume(int16_t Index, int16_t Volume) {
  inner_.SetVolume(Index, Volume);
  WriteLine("SetVolume(" + std::to_string(Index) + ", " + std::to_string(Volume) + ")");
}

void SoundLog::SetPan(int16_t Index, int16_t Pan) {
  inner_.SetPan(Index, Pan);
  WriteLine("SetPan(" + std::to_string(Index) + ", " + std::to_string(Pan) + ")");
}

void SoundLog::SetFrequency(int16_t Index, int32_t& Frequency) {
  const int32_t frequency = Frequency;
  inner_.SetFrequency(Index, Frequency);
  WriteLine("SetFrequency(" + std::to_string(Index) + ", " +
            Argument("Frequency", frequency, Frequency) + ")");
}

std::string SoundLog::Time() {
  char time[32];
  std::snprintf(time, sizeof time, "%.3f", static_cast<double>(events_.Clock()));
  return time;
}

void SoundLog::WriteLine(const std::string& text, bool may_repeat) {
  if (may_repeat && text == last_line_) {
    ++repeats_;
    last_repeat_time_ = Time();
    return;
  }
  WriteRepeats();
  out_ << Time() << ' ' << text << '\n';
  last_line_ = may_repeat ? text : std::string();
}

void SoundLog::WriteRepeats() {
  if (repeats_ > 0) {
    out_ << last_repeat_time_ << ' ' << last_line_ << " (" << repeats_ << " more times)\n";
  }
  repeats_ = 0;
}

}  // namespace veltro::app
