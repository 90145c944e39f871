// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/events/dialogs.h"

namespace veltro::platform::headless {

// Dialogs without a screen: a message box is recorded and answered OK at once; every help
// request and sent keystroke is noted for the run's log.
class HeadlessDialogs : public Dialogs {
 public:
  struct ShownBox {
    std::string text, title;
    MessageBoxIcon icon;
    MessageBoxButtons buttons;
  };

  // Called for every help request and sent keystroke, for a log.
  std::function<void(const std::string& note)> on_note;
  // Runs while a box is open, as the program's timers go on running under a box on a desktop.
  std::function<void()> while_open;

  const std::vector<ShownBox>& boxes() const { return boxes_; }
  void ClearBoxes() { boxes_.clear(); }

  // Dialogs
  MessageBoxResult MessageBox(const std::string& text, const std::string& title,
                              MessageBoxIcon icon, MessageBoxButtons buttons) override;
  void ShowHelp() override { Note("help opened"); }
  void SendKeys(const std::string& keys) override;

 private:
  void Note(const std::string& note) {
    if (on_note) on_note(note);
  }

  std::vector<ShownBox> boxes_;
};

}  // namespace veltro::platform::headless
