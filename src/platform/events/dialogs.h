// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace veltro::platform {

enum class MessageBoxIcon { kNone, kCritical, kInformation };
enum class MessageBoxButtons { kOk, kOkCancel };
enum class MessageBoxResult { kOk, kCancel };

// The program's modal dialogs: message boxes and the help page. Failures are reported by
// throwing PlatformError.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A modal message box. The user hears its text as well as seeing it.
  virtual MessageBoxResult MessageBox(const std::string& text, const std::string& title,
                                      MessageBoxIcon icon, MessageBoxButtons buttons) = 0;
  // Opens the help page in the platform's viewer (the F1 key does).
  virtual void ShowHelp() = 0;
  // Sends a keystroke to the program's own window; "{f1}" opens the help page.
  virtual void SendKeys(const std::string& keys) = 0;
};

}  // namespace veltro::platform
