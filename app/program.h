// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "game/main_flow.h"
#include "platform/events/dialogs.h"
#include "platform/platform.h"

namespace veltro::app {

// The whole program on one machine's platform: the game window, the speech window and the sound
// engine (both created on first use), the program folder they share, and the narrow connections
// between them. Nothing is global: each Program is a complete, independent run.
class Program {
 public:
  // `sound_log`, when given, receives one line per sound call of the game.
  explicit Program(platform::Platform platform, std::ostream* sound_log = nullptr);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Starts the game and serves events until the program ends; returns its exit status.
  int Run();

  game::FRMMain& Game() { return *game_; }
  bool SoundStarted() const;
  const std::string& ProgramPath() const { return AppPath; }

 private:
  class SpeechWindow;
  class SoundEngine;
  class SpeechPausesPort;

  // The platform's dialogs, spoken: what the subsystems get in their place.
  std::unique_ptr<platform::Dialogs> dialogs_;
  platform::Platform platform_;
  // The program's folder with a trailing separator; empty until the game's start-up sets it.
  std::string AppPath;

  std::unique_ptr<SpeechPausesPort> speech_pauses_;
  std::unique_ptr<SpeechWindow> speech_;
  std::unique_ptr<SoundEngine> sound_;
  std::unique_ptr<game::GameSound> sound_log_;
  std::unique_ptr<game::FRMMain> game_;
};

}  // namespace veltro::app
