// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/events/event_loop.h"

#include "platform/events/dialogs.h"
#include "platform/events/keys.h"

namespace veltro::platform {

void EventLoop::DeliverKey(bool down, int16_t code, int16_t shift, bool repeat) {
  if (down && code == keys::kF1 && shift == 0 && !repeat && help_ != nullptr) {
    Dispatch([this] { help_->ShowHelp(); });
  }
  KeyHandler* target = key_target_;
  if (target == nullptr) return;
  Dispatch([&] {
    if (down && repeat) {
      target->KeyRepeat(code, shift);
    } else if (down) {
      target->KeyDown(code, shift);
    } else {
      target->KeyUp(code, shift);
    }
  });
}

}  // namespace veltro::platform
