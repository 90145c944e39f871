// SPDX-License-Identifier: GPL-3.0-or-later
// A headless run's key script: read, then played as the run's keyboard, with every awaited text
// said as soon as the player waits for it.
#include <cstdlib>
#include <string_view>

#include "platform/headless/script.h"
#include "platform/headless/script_player.h"

using veltro::platform::headless::ScriptCommand;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<ScriptCommand> commands;
  try {
    commands = veltro::platform::headless::ParseScript(
        std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const veltro::platform::headless::ScriptError&) {
    return 0;
  }
  // What was read is what the format allows: lines in order, a text to wait for, a key, a sleep
  // within a day, a hold within a minute.
  int line = 0;
  for (const ScriptCommand& command : commands) {
    if (command.line <= line) abort();
    line = command.line;
    if (command.kind == ScriptCommand::Kind::kWaitSay && command.text.empty()) abort();
    const double most = command.kind == ScriptCommand::Kind::kSleep  ? 86400
                        : command.kind == ScriptCommand::Kind::kHold ? 60
                                                                     : 0;
    if (!(command.seconds >= 0 && command.seconds <= most)) {
      abort();
    }
  }

  const std::vector<ScriptCommand> script = commands;
  veltro::platform::headless::ScriptPlayer player(std::move(commands));
  double now = 0;
  for (size_t said = 0; !player.Finished();) {
    while (player.TakeDueKey(now)) {
    }
    std::optional<double> due = player.NextDue(now);
    if (due) {
      if (*due < now) abort();
      now = *due;
      continue;
    }
    // Waiting for speech: say the next awaited text, until none is left.
    while (said < script.size() && script[said].kind != ScriptCommand::Kind::kWaitSay) ++said;
    if (said == script.size()) break;
    player.Heard(script[said++].text);
  }
  return 0;
}
