// SPDX-License-Identifier: GPL-3.0-or-later
#include "headless_run.h"

#include "platform/base/program_files.h"
#include "platform/events/quit_signals.h"
#include "platform/headless/script.h"
#include "program.h"

namespace veltro::app {
namespace {

// The speech a headless run keeps in memory: the log has all of it.
constexpr size_t kRecordsKept = 64;

// A stream that drops what it is given: for a run without a speech log.
std::unique_ptr<std::ostream> NullStream() {
  return std::make_unique<std::ostream>(nullptr);
}

}  // namespace

HeadlessRun::HeadlessRun(const HeadlessOptions& options)
    : script_(platform::headless::ParseScript(options.script)),
      environment_(options.program_folder.empty()
                       ? platform::FilesFolder(platform::ExecutableFolder())
                       : options.program_folder,
                   options.command_line, options.seed),
      events_(clock_, options.max_seconds),
      sound_(clock_),
      null_log_(options.speech_log == nullptr ? NullStream() : nullptr),
      speech_log_(options.speech_backends != nullptr ? *options.speech_backends : speech_, events_,
                  options.speech_log != nullptr ? *options.speech_log : *null_log_) {
  // What was said goes to the speech log; the recording keeps only the last few texts.
  speech_.state().records_kept = kRecordsKept;
  speech_.state().fail_screen_reader_creation = options.fail_screen_reader;
  speech_.state().fail_voice_creation = options.fail_voice;
  events_.SetKeySource(&script_);
  events_.SkipIdleTime(true);  // every headless part looks at the clock when it acts
  speech_log_.on_utterance = [this](const std::string& text) { script_.Heard(text); };
  dialogs_.on_note = [this, sound_log = options.sound_log](const std::string& note) {
    speech_log_.Note(note);
    if (sound_log != nullptr) sound_log->flush();  // the logs hold everything up to a box
  };
  program_ = std::make_unique<Program>(
      platform::Platform{
          {events_, dialogs_, environment_}, sound_, ogg_, direct_show_, speech_log_},
      options.sound_log);
}

HeadlessRun::~HeadlessRun() = default;

RunOutcome HeadlessRun::Run() {
  RunOutcome outcome;
  outcome.status = program_->Run();
  if (outcome.status == platform::headless::HeadlessEventLoop::kTimeLimitStatus) {
    outcome.message = events_.time_limit_message();
  }
  return outcome;
}

RunOutcome RunHeadless(const HeadlessOptions& options) {
  std::unique_ptr<HeadlessRun> run;
  try {
    run = std::make_unique<HeadlessRun>(options);
  } catch (const platform::headless::ScriptError& error) {
    return {HeadlessRun::kScriptErrorStatus, error.what()};
  }
  // A signal ends the run like a quit, with the logs written out.
  platform::QuitSignals quit_signals;
  run->events().SetQuitSignals(&quit_signals);
  return run->Run();
}

}  // namespace veltro::app
