#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "game/ports.h"

namespace veltro::game::testing {

// Records what the game says, in order. Stops and back-end switches appear as "<stop>" and
// "<tts N>" between the texts.
class RecordingSpeech : public GameSpeech {
 public:
  std::vector<std::string> log;

  void Say(const std::string& text) override { log.push_back(text); }
  void StopSpeech() override { log.push_back("<stop>"); }
  void TTSSetup(int16_t TTSType) override {
    log.push_back("<tts " + std::to_string(TTSType) + ">");
  }

  int Count(const std::string& text) const {
    int n = 0;
    for (const std::string& entry : log) n += entry == text;
    return n;
  }
  const std::string& Last() const { return log.back(); }
};

// Records every sound call. Handles count up from 1; a sound reports "playing" for a given number
// of IsPlaying polls and then ends.
class RecordingSound : public GameSound {
 public:
  enum class Op { kDSInit, kPlay, kStop, kVolume, kPan, kFrequency };
  struct Call {
    Op op;
    int16_t handle;
    std::string file;  // plays only
    int16_t Volume = 0;
    int32_t Frequency = 0;
    int16_t Pan = 0;
    int32_t StartPosition = 0;
    int16_t DSFlags = 0;
  };

  std::vector<Call> calls;
  int polls_while_playing = 2;
  std::function<void()> on_is_playing;  // runs at every IsPlaying poll

  void DSInit() override { calls.push_back({Op::kDSInit, 0, ""}); }
  int16_t PlaySound(const std::string& waveFileIn, int16_t& Volume, int32_t& Frequency,
                    int16_t& Pan, int32_t& StartPosition, int16_t& DSFlags) override {
    const int16_t handle = next_handle_++;
    calls.push_back(
        {Op::kPlay, handle, waveFileIn, Volume, Frequency, Pan, StartPosition, DSFlags});
    polls_left_[handle] = polls_while_playing;
    return handle;
  }
  bool IsPlaying(int16_t Index) override {
    if (on_is_playing) on_is_playing();
    return polls_left_[Index]-- > 0;
  }
  void StopPlay(int16_t Index) override { calls.push_back({Op::kStop, Index, ""}); }
  void SetVolume(int16_t Index, int16_t Volume) override {
    calls.push_back({Op::kVolume, Index, "", Volume});
  }
  void SetPan(int16_t Index, int16_t Pan) override {
    calls.push_back({Op::kPan, Index, "", 0, 0, Pan});
  }
  void SetFrequency(int16_t Index, int32_t& Frequency) override {
    calls.push_back({Op::kFrequency, Index, "", 0, Frequency});
  }

  // The calls of one kind (and, for plays, of one file; for the others, of one handle).
  std::vector<Call> Of(Op op, int16_t handle = -1) const {
    std::vector<Call> found;
    for (const Call& c : calls) {
      if (c.op == op && (handle < 0 || c.handle == handle)) found.push_back(c);
    }
    return found;
  }
  std::vector<std::string> PlayedFiles() const {
    std::vector<std::string> files;
    for (const Call& c : Of(Op::kPlay)) files.push_back(c.file);
    return files;
  }
  // The handle the last play of `file` returned, 0 if it was never played.
  int16_t HandleOf(const std::string& file) const {
    int16_t handle = 0;
    for (const Call& c : Of(Op::kPlay)) {
      if (c.file == file) handle = c.handle;
    }
    return handle;
  }

 private:
  int16_t next_handle_ = 1;
  std::map<int16_t, int> polls_left_;
};

}  // namespace veltro::game::testing
