// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/web/web_event_loop.h"

#include <algorithm>
#include <cmath>

#include "platform/web/page_bridge.h"

namespace veltro::platform::web {

WebEventLoop::WebEventLoop() : EventLoop(&WebEventLoop::Now) {}

double WebEventLoop::Now() {
  return page::NowMilliseconds() / 1000.0;
}

void WebEventLoop::ShowMainWindow(const std::string& title) {
  page::SetTitle(title);
}

bool WebEventLoop::Serve() {
  // Nothing reaches the page while the program runs: a loop that keeps finding work still lets
  // the browser run now and then, to take keys and read out the live region.
  if (Now() - last_yield_ > kLongestBusyMs / 1000.0) Yield(0);
  if (const bool flying = in_flight && in_flight(); flying != told_in_flight_) {
    page::SetInFlight(flying);
    told_in_flight_ = flying;
  }
  bool served = false;
  while (std::optional<page::KeyEvent> key = page::TakeKey()) {
    DeliverKey(key->down, key->code, key->shift, key->repeat);
    served = true;
  }
  if (script_ != nullptr) {
    while (std::optional<headless::KeyEvent> key = script_->TakeDueKey(Now())) {
      DeliverKey(key->down, key->code, key->shift, key->repeat);
      served = true;
    }
  }
  return FireDueTimers() || served;
}

void WebEventLoop::WaitForInput(int longest_ms) {
  double wait = longest_ms / 1000.0;
  if (std::optional<double> due = NextTimerDue()) wait = std::min(wait, *due - Now());
  if (script_ != nullptr) {
    if (std::optional<double> due = script_->NextDue(Now())) wait = std::min(wait, *due - Now());
  }
  page::WaitForKey(static_cast<int>(std::ceil(std::max(wait, 0.0) * 1000.0)));
  last_yield_ = Now();
}

void WebEventLoop::Yield(int milliseconds) {
  page::Sleep(milliseconds);
  last_yield_ = Now();
}

void WebEventLoop::DoEvents() {
  // As on the desktop: serve what is there; with nothing, sleep until a key arrives or the next
  // timer is due, instead of waking the browser hundreds of times a second.
  if (Serve()) return;
  WaitForInput(kIdleWaitMs);
  Serve();
}

void WebEventLoop::RunMessageLoop() {
  for (;;) {
    Serve();
    WaitForInput(kLoopIdleWaitMs);
  }
}

void WebEventLoop::Pause() {
  Yield(kIdleWaitMs);
}

}  // namespace veltro::platform::web
