// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound_log.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace veltro::app {
namespace {

template <class T>
void AppendNumber(std::string& text, T number) {
  char digits[32];
  text.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

// "name=value", or "name=value=>new" when the call changed an argument passed by reference.
template <class T>
void AppendArgument(std::string& text, const char* name, T before, T after) {
  text += name;
  text += '=';
  AppendNumber(text, before);
  if (after != before) {
    text += "=>";
    AppendNumber(text, after);
  }
}

// "Name(index" of the calls on one sound.
std::string& AppendCall(std::string& text, const char* name, int16_t index) {
  text += name;
  text += '(';
  AppendNumber(text, index);
  return text;
}

}  // namespace

SoundLog::SoundLog(game::GameSound& inner, platform::EventLoop& events, std::ostream& out)
    : inner_(inner), events_(events), out_(out) {}

SoundLog::~SoundLog() {
  WriteRepeats();
  out_.flush();
  check_.Check(out_);
}

void SoundLog::DSInit() {
  inner_.DSInit();
  Begin() += "DSInit()";
  WriteLine();
}

int16_t SoundLog::PlaySound(const std::string& waveFileIn, int16_t& Volume, int32_t& Frequency,
                            int16_t& Pan, int32_t& StartPosition, int16_t& DSFlags) {
  const int16_t volume = Volume, pan = Pan, flags = DSFlags;
  const int32_t frequency = Frequency, start = StartPosition;
  int16_t handle = inner_.PlaySound(waveFileIn, Volume, Frequency, Pan, StartPosition, DSFlags);
  std::string& text = Begin();
  text += "PlaySound(\"";
  text += waveFileIn;
  text += "\", ";
  AppendArgument(text, "Volume", volume, Volume);
  text += ", ";
  AppendArgument(text, "Frequency", frequency, Frequency);
  text += ", ";
  AppendArgument(text, "Pan", pan, Pan);
  text += ", ";
  AppendArgument(text, "StartPosition", start, StartPosition);
  text += ", ";
  AppendArgument(text, "DSFlags", flags, DSFlags);
  text += ") -> ";
  AppendNumber(text, handle);
  WriteLine();
  return handle;
}

bool SoundLog::IsPlaying(int16_t Index) {
  bool playing = inner_.IsPlaying(Index);
  AppendCall(Begin(), "IsPlaying", Index) += playing ? ") -> true" : ") -> false";
  WriteLine(true);
  return playing;
}

void SoundLog::StopPlay(int16_t Index) {
  inner_.StopPlay(Index);
  AppendCall(Begin(), "StopPlay", Index) += ')';
  WriteLine();
}

void SoundLog::SetVolume(int16_t Index, int16_t Volume) {
  inner_.SetVolume(Index, Volume);
  std::string& text = AppendCall(Begin(), "SetVolume", Index) += ", ";
  AppendNumber(text, Volume);
  text += ')';
  WriteLine();
}

void SoundLog::SetPan(int16_t Index, int16_t Pan) {
  inner_.SetPan(Index, Pan);
  std::string& text = AppendCall(Begin(), "SetPan", Index) += ", ";
  AppendNumber(text, Pan);
  text += ')';
  WriteLine();
}

void SoundLog::SetFrequency(int16_t Index, int32_t& Frequency) {
  const int32_t frequency = Frequency;
  inner_.SetFrequency(Index, Frequency);
  std::string& text = AppendCall(Begin(), "SetFrequency", Index) += ", ";
  AppendArgument(text, "Frequency", frequency, Frequency);
  text += ')';
  WriteLine();
}

std::string& SoundLog::Begin() {
  line_.clear();
  return line_;
}

void SoundLog::WriteLine(bool may_repeat) {
  const float now = events_.Clock();
  if (may_repeat && line_ == last_line_) {
    ++repeats_;
    last_repeat_time_ = now;
    return;
  }
  WriteRepeats();
  // One write per line: a log that someone follows (a terminal, a pipe) flushes after each.
  Write(now, line_, "\n");
  check_.Check(out_);
  if (may_repeat) {
    last_line_ = line_;
  } else {
    last_line_.clear();
  }
}

void SoundLog::WriteRepeats() {
  if (repeats_ > 0) {
    std::string tail = " (";
    AppendNumber(tail, repeats_);
    tail += " more times)\n";
    Write(last_repeat_time_, last_line_, tail.c_str());
  }
  repeats_ = 0;
}

// "seconds text tail", the clock with three decimals.
void SoundLog::Write(float time, const std::string& text, const char* tail) {
  written_.clear();
  char digits[48];
  const int length = std::snprintf(digits, sizeof digits, "%.3f", static_cast<double>(time));
  written_.append(digits, static_cast<size_t>(std::max(length, 0)));
  written_ += ' ';
  written_ += text;
  written_ += tail;
  out_.write(written_.data(), static_cast<std::streamsize>(written_.size()));
}

}  // namespace veltro::app
