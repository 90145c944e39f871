// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include "platform/events/dialogs.h"

namespace veltro::platform::web {

// The dialogs of the browser edition: a message box is the page's modal alert dialog (the
// program sleeps until it is answered), and the help page opens in a new tab.
class WebDialogs : public Dialogs {
 public:
  // Called with the text and title of every message box before it is shown, for a log.
  std::function<void(const std::string& text, const std::string& title)> on_message_box;

  // Dialogs
  MessageBoxResult MessageBox(const std::string& text, const std::string& title,
                              MessageBoxIcon icon, MessageBoxButtons buttons) override;
  void ShowHelp() override;
  // The program sends itself only F1, for the help page; the page sends no other keystrokes.
  void SendKeys(const std::string& keys) override;
};

}  // namespace veltro::platform::web
