// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/headless/headless_dialogs.h"

#include "platform/base/text.h"

namespace veltro::platform::headless {

MessageBoxResult HeadlessDialogs::MessageBox(const std::string& text, const std::string& title,
                                             MessageBoxIcon icon, MessageBoxButtons buttons) {
  boxes_.push_back({text, title, icon, buttons});
  if (while_open) while_open();
  return MessageBoxResult::kOk;
}

void HeadlessDialogs::SendKeys(const std::string& keys) {
  if (LowerCase(keys) == "{f1}") {
    ShowHelp();
  } else {
    Note("keys sent: " + keys);
  }
}

}  // namespace veltro::platform::headless
