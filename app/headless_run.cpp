#include "headless_run.h"

#include "platform/headless/script.h"
#include "program.h"

namespace veltro::app {
namespace {

platform::headless::HeadlessUi::Options UiOptions(const HeadlessOptions& options) {
  platform::headless::HeadlessUi::Options ui;
  ui.command_line = options.command_line;
  ui.program_folder = options.program_folder;
  ui.max_seconds = options.max_seconds;
  ui.seed = options.seed;
  return ui;
}

// A stream that drops what it is given: for a run without a speech log.
std::unique_ptr<std::ostream> NullStream() {
  return std::make_unique<std::ostream>(nullptr);
}

}  // namespace

HeadlessRun::HeadlessRun(const HeadlessOptions& options)
    : script_(platform::headless::ParseScript(options.script)),
      ui_(clock_, UiOptions(options)),
      sound_(clock_),
      null_log_(options.speech_log == nullptr ? NullStream() : nullptr),
      speech_log_(speech_, ui_, options.speech_log != nullptr ? *options.speech_log : *null_log_) {
  speech_.state().fail_screen_reader_creation = options.fail_screen_reader;
  speech_.state().fail_voice_creation = options.fail_voice;
  ui_.SetKeySource(&script_);
  speech_log_.on_utterance = [this](const std::string& text) { script_.Heard(text); };
  ui_.on_note = [this](const std::string& note) { speech_log_.Note(note); };
  program_ = std::make_unique<Program>(
      platform::Platform{ui_, sound_, ogg_, direct_show_, speech_log_}, options.sound_log);
}

HeadlessRun::~HeadlessRun() = default;

RunOutcome HeadlessRun::Run() {
  RunOutcome outcome;
  outcome.status = program_->Run();
  if (outcome.status == platform::headless::HeadlessUi::kTimeLimitStatus) {
    outcome.message = ui_.time_limit_message();
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
  return run->Run();
}

}  // namespace veltro::app
