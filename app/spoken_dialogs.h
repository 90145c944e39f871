// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include "platform/events/dialogs.h"

namespace veltro::app {

// The program's dialogs as the player meets them: every message box is also spoken (its text,
// then the keys that answer it) through whichever speech works and noted with its answer for
// whoever follows the speech log, and a help page that cannot be opened is spoken about, with
// where it lies. The platform's own dialogs show and answer them.
class SpokenDialogs : public platform::Dialogs {
 public:
  using Say = std::function<void(const std::string& text)>;
  // `speak` says a text aloud; `note` writes one down for the log.
  SpokenDialogs(platform::Dialogs& shown, Say speak, Say note)
      : shown_(shown), speak_(std::move(speak)), note_(std::move(note)) {}

  // The spoken instruction that goes with a box's buttons.
  static std::string KeysThatAnswer(platform::MessageBoxButtons buttons);

  // Dialogs
  platform::MessageBoxResult MessageBox(const std::string& text, const std::string& title,
                                        platform::MessageBoxIcon icon,
                                        platform::MessageBoxButtons buttons) override;
  void ShowHelp() override;
  void SendKeys(const std::string& keys) override { shown_.SendKeys(keys); }

 private:
  platform::Dialogs& shown_;
  Say speak_;
  Say note_;
};

}  // namespace veltro::app
