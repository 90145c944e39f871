#include "platform/headless/headless_ui.h"

#include <algorithm>
#include <bit>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/keys.h"
#include "platform/platform_error.h"
#include "platform/program_files.h"
#include "platform/text_lines.h"

namespace veltro::platform::headless {

namespace {

std::string ExecutableFolder() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path(error).string();
  return exe.parent_path().string();
}

}  // namespace

HeadlessUi::HeadlessUi(VirtualClock& clock, Options options)
    : clock_(clock), options_(std::move(options)), timers_([&clock] { return clock.Now(); }) {
  if (options_.program_folder.empty()) options_.program_folder = FilesFolder(ExecutableFolder());
  SeedRandom(0.0f);
}

HeadlessUi::~HeadlessUi() = default;

KeyHandler* HeadlessUi::SetKeyTarget(KeyHandler* target) {
  KeyHandler* previous = target_;
  target_ = target;
  return previous;
}

void HeadlessUi::ShowMainWindow(const std::string& title) {
  window_title_ = title;
}

std::unique_ptr<Timer> HeadlessUi::CreateTimer(std::function<void()> on_tick) {
  return timers_.Create(std::move(on_tick));
}

void HeadlessUi::DoEvents() {
  AdvanceTo(clock_.Now() + kQuantum);
  Serve();
}

void HeadlessUi::Pause() {
  AdvanceTo(clock_.Now() + kQuantum);
}

void HeadlessUi::RunMessageLoop() {
  // Nothing happens between events, so the clock jumps straight to the next one.
  for (;;) {
    std::optional<double> next = timers_.NextDue();
    if (source_ != nullptr) {
      std::optional<double> key_due = source_->NextDue(clock_.Now());
      if (key_due && (!next || *key_due < *next)) next = key_due;
    }
    if (!next) EndAtTimeLimit();  // nothing will ever happen again
    AdvanceTo(std::max(*next, clock_.Now() + kQuantum));
    Serve();
  }
}

void HeadlessUi::EndProgram() {
  throw ProgramEnded(0);
}

void HeadlessUi::SeedRandom(float seed) {
  uint64_t mixed = std::bit_cast<uint32_t>(seed) ^ (options_.seed * 0x9E3779B97F4A7C15ull);
  random_.seed(mixed);
}

double HeadlessUi::Random() {
  // The top 53 bits make a double spread evenly over [0, 1).
  return static_cast<double>(random_() >> 11) * 0x1.0p-53;
}

MessageBoxResult HeadlessUi::MessageBox(const std::string& text, const std::string& title,
                                        MessageBoxIcon icon, MessageBoxButtons buttons) {
  boxes_.push_back({text, title, icon, buttons});
  if (on_note) on_note("message box \"" + title + "\": " + text);
  if (buttons == MessageBoxButtons::kOk) return MessageBoxResult::kOk;
  return options_.message_box_answer;
}

void HeadlessUi::SendKeys(const std::string& keys) {
  std::string lower = keys;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "{f1}") {
    OpenHelp();
  } else if (on_note) {
    on_note("keys sent: " + keys);
  }
}

void HeadlessUi::OpenHelp() {
  ++help_opened_;
  // As on the desktop, a missing page is said with the place it belongs.
  const std::string path = ProgramFolder() + "/help.html";
  if (on_note) on_note(FileExists(path) ? "help opened" : "the help page is missing: " + path);
}

bool HeadlessUi::FileExists(const std::string& path) {
  return RegularFileExists(path);
}

std::vector<std::string> HeadlessUi::ReadLines(const std::string& path) {
  return ReadTextFileLines(path);
}

void HeadlessUi::AdvanceTo(double time) {
  if (time > options_.max_seconds) {
    clock_.AdvanceTo(options_.max_seconds);
    EndAtTimeLimit();
  }
  clock_.AdvanceTo(time);
}

void HeadlessUi::Serve() {
  DeliverDueKeys();
  timers_.FireDue(*this);
}

void HeadlessUi::DeliverDueKeys() {
  // One event at a time: a handler that serves the queue itself receives the events after it.
  while (source_ != nullptr) {
    std::optional<KeyEvent> key = source_->TakeDueKey(clock_.Now());
    if (!key) return;
    // F1 opens the help, as on the desktop; the key itself still reaches the program.
    if (key->down && key->code == keys::kF1 && key->shift == 0) OpenHelp();
    KeyHandler* target = target_;
    if (target == nullptr) continue;
    Dispatch([&] {
      if (key->down) {
        target->KeyDown(key->code, key->shift);
      } else {
        target->KeyUp(key->code, key->shift);
      }
    });
  }
}

void HeadlessUi::EndAtTimeLimit() {
  std::ostringstream message;
  message << "the time limit of " << options_.max_seconds << " seconds was reached";
  std::string waiting = source_ != nullptr ? source_->Waiting() : std::string();
  if (!waiting.empty()) {
    message << " while the script still waited for " << waiting;
  } else {
    message << " and the program still runs";
  }
  time_limit_message_ = message.str();
  throw ProgramEnded(kTimeLimitStatus);
}

}  // namespace veltro::platform::headless
