// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/main_flow.h"
#include "platform/base/scope_guard.h"
#include "platform/events/keys.h"

namespace veltro::game {
namespace {

std::vector<std::string> SplitOptions(const std::string& q) {
  std::vector<std::string> items;
  std::string::size_type start = 0;
  for (;;) {
    const std::string::size_type bar = q.find('|', start);
    items.push_back(q.substr(start, bar - start));  // empty entries are kept
    if (bar == std::string::npos) return items;
    start = bar + 1;
  }
}

}  // namespace

int16_t FRMMain::AskForInfo(const std::string& q) {
  MenuItems = SplitOptions(q);
  MenuActive = true;
  // Cleared also when a failure unwinds through the menu, so that a menu that could not finish
  // does not keep every later key to itself.
  platform::ScopeGuard close_menu([this] { MenuActive = false; });
  MenuIndex = 0;
  SayMenuEntry();
  // The keys arrive through Form_KeyDown while the queue is served; flight ticks do nothing.
  while (MenuActive) ui_.events.WaitForEvents();
  return MenuIndex;
}

void FRMMain::SayMenuEntry() {
  if (MenuIndex >= 0 && static_cast<std::size_t>(MenuIndex) < MenuItems.size()) {
    speech_.Say(MenuItems[MenuIndex]);
  }
}

// A key of an open menu, identified by modifiers·1000 + key code, so a modified arrow is no arrow.
void FRMMain::MenuKey(int32_t code) {
  const int16_t last = static_cast<int16_t>(MenuItems.size() - 1);
  switch (code) {
    case keys::kControlMask * 1000 + keys::Digit(1):
      speech_.TTSSetup(1);
      break;
    case keys::kControlMask * 1000 + keys::Digit(3):
      speech_.TTSSetup(3);
      break;
    case keys::kEscape:
      MenuIndex = -1;
      MenuActive = false;
      break;
    case keys::kUp:
    case keys::kLeft:
      MenuIndex = MenuIndex <= 0 ? last : static_cast<int16_t>(MenuIndex - 1);
      SayMenuEntry();
      break;
    case keys::kDown:
    case keys::kRight:
      MenuIndex = MenuIndex >= last ? 0 : static_cast<int16_t>(MenuIndex + 1);
      SayMenuEntry();
      break;
    case keys::kHome:
      MenuIndex = 0;
      SayMenuEntry();
      break;
    case keys::kEnd:
      MenuIndex = last;
      SayMenuEntry();
      break;
    case keys::kReturn:
    case keys::kSpace:
      MenuActive = false;
      break;
    default:
      break;
  }
}

}  // namespace veltro::game
