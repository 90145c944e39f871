// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/web/web_dialogs.h"

#include "platform/base/platform_error.h"
#include "platform/web/page_bridge.h"

namespace veltro::platform::web {

MessageBoxResult WebDialogs::MessageBox(const std::string& text, const std::string& title,
                                        MessageBoxIcon /*icon*/, MessageBoxButtons buttons) {
  if (on_message_box) on_message_box(text, title);
  const bool ok = page::MessageBox(text, title, buttons == MessageBoxButtons::kOkCancel);
  return ok ? MessageBoxResult::kOk : MessageBoxResult::kCancel;
}

void WebDialogs::ShowHelp() {
  page::OpenHelp();
}

void WebDialogs::SendKeys(const std::string& keys) {
  if (keys != "{f1}" && keys != "{F1}") {
    throw PlatformError("the browser edition cannot send the keystrokes " + keys);
  }
  ShowHelp();
}

}  // namespace veltro::platform::web
