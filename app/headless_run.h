// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "platform/audio/ogg_streams.h"
#include "platform/base/environment.h"
#include "platform/decoders/audio_file.h"
#include "platform/headless/headless_dialogs.h"
#include "platform/headless/headless_event_loop.h"
#include "platform/headless/recording_speech.h"
#include "platform/headless/script_player.h"
#include "platform/headless/simulated_sound.h"
#include "platform/headless/simulated_streams.h"
#include "platform/headless/virtual_clock.h"
#include "speech_log.h"

namespace veltro::app {

class Program;

// Everything a headless run is made of. `speech_log` and `sound_log` may be null.
struct HeadlessOptions {
  std::string script;  // the text of the script
  std::ostream* speech_log = nullptr;
  std::ostream* sound_log = nullptr;
  std::string command_line;
  double max_seconds = 3600.0;
  uint64_t seed = 0;
  // Empty: the folder of the running executable (where the sounds lie).
  std::string program_folder;
  // Make the recording back-ends fail to start, as on a machine without them.
  bool fail_screen_reader = false;
  bool fail_voice = false;
  // Back-ends to speak through instead of the recording ones (a test's own speech service).
  platform::SpeechBackends* speech_backends = nullptr;
};

// The outcome of a run: the exit status, and a message for stderr when it did not end by itself.
struct RunOutcome {
  int status = 0;
  std::string message;
};

// A whole program on the headless platform, played by a script: a virtual clock, simulated sound,
// recording speech, all of it logged. Tests may reach the parts before and after Run.
class HeadlessRun {
 public:
  static constexpr int kScriptErrorStatus = 2;

  // Throws platform::headless::ScriptError when the script cannot be read.
  explicit HeadlessRun(const HeadlessOptions& options);
  ~HeadlessRun();

  RunOutcome Run();

  platform::headless::VirtualClock& clock() { return clock_; }
  platform::headless::HeadlessEventLoop& events() { return events_; }
  platform::headless::HeadlessDialogs& dialogs() { return dialogs_; }
  platform::Environment& environment() { return environment_; }
  platform::headless::RecordingSpeechBackends& speech() { return speech_; }
  platform::headless::SimulatedSoundSystem& sound() { return sound_; }
  platform::headless::ScriptPlayer& script() { return script_; }
  Program& program() { return *program_; }

 private:
  platform::headless::VirtualClock clock_;
  platform::headless::ScriptPlayer script_;
  platform::Environment environment_;
  platform::headless::HeadlessEventLoop events_;
  platform::headless::HeadlessDialogs dialogs_;
  platform::headless::SimulatedSoundSystem sound_;
  platform::SndfileDecoders decoders_;
  platform::headless::SimulatedStreamVoices voices_{clock_};
  platform::OggStreams ogg_{decoders_, voices_};
  platform::headless::SimulatedDirectShow direct_show_{decoders_, clock_};
  platform::headless::RecordingSpeechBackends speech_;
  std::unique_ptr<std::ostream> null_log_;
  SpeechLog speech_log_;
  std::unique_ptr<Program> program_;
};

// Parses the script and runs it; a script that cannot be read is status 2 with its message.
RunOutcome RunHeadless(const HeadlessOptions& options);

}  // namespace veltro::app
