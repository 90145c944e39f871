#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace veltro::platform::headless {

// Dialogs without a screen: message boxes are answered at once and recorded, like the help
// requests, and each is noted for the run's log.
class HeadlessDialogs : public Dialogs {
 public:
  struct ShownBox {
    std::string text, title;
    MessageBoxIcon icon;
    MessageBoxButtons buttons;
  };

  // The answer to a box with a Cancel button; a box with OK alone is always answered OK.
  MessageBoxResult answer = MessageBoxResult::kOk;
  // Called for every message box and every help request, for a log.
  std::function<void(const std::string& note)> on_note;

  const std::vector<ShownBox>& boxes() const { return boxes_; }
  void ClearBoxes() { boxes_.clear(); }
  // How often the help page was opened (F1, or the program sending itself F1).
  int help_opened() const { return help_opened_; }

  // Dialogs
  MessageBoxResult MessageBox(const std::string& text, const std::string& title,
                              MessageBoxIcon icon, MessageBoxButtons buttons) override;
  void ShowHelp() override;
  void SendKeys(const std::string& keys) override;

 private:
  void Note(const std::string& note) {
    if (on_note) on_note(note);
  }

  std::vector<ShownBox> boxes_;
  int help_opened_ = 0;
};

}  // namespace veltro::platform::headless
