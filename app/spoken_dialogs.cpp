// SPDX-License-Identifier: GPL-3.0-or-later
#include "spoken_dialogs.h"

#include "platform/base/platform_error.h"

namespace veltro::app {

std::string SpokenDialogs::KeysThatAnswer(platform::MessageBoxButtons buttons) {
  return buttons == platform::MessageBoxButtons::kOkCancel
             ? "Press Enter for OK or Escape for Cancel."
             : "Press Enter or Escape to close this message.";
}

platform::MessageBoxResult SpokenDialogs::MessageBox(const std::string& text,
                                                     const std::string& title,
                                                     platform::MessageBoxIcon icon,
                                                     platform::MessageBoxButtons buttons) {
  note_("message box \"" + title + "\": " + text);
  speak_(text);
  speak_(KeysThatAnswer(buttons));
  const platform::MessageBoxResult answer = shown_.MessageBox(text, title, icon, buttons);
  note_(answer == platform::MessageBoxResult::kOk ? "answered OK" : "answered Cancel");
  return answer;
}

void SpokenDialogs::ShowHelp() {
  try {
    shown_.ShowHelp();
  } catch (const platform::PlatformError& failure) {
    // The platform says why and where the page lies; a player who hears nothing would not know.
    speak_(failure.what());
  }
}

}  // namespace veltro::app
