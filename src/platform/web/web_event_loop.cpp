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

void WebEventLoop::Serve() {
  if (const bool flying = in_flight && in_flight(); flying != told_in_flight_) {
    page::SetInFlight(flying);
    told_in_flight_ = flying;
  }
  while (std::optional<page::KeyEvent> key = page::TakeKey()) {
    DeliverKey(key->down, key->code, key->shift, key->repeat);
  }
  if (script_ != nullptr) {
    while (std::optional<headless::KeyEvent> key = script_->TakeDueKey(Now())) {
      DeliverKey(key->down, key->code, key->shift, key->repeat);
    }
  }
  FireDueTimers();
}

void WebEventLoop::DoEvents() {
  // Lets the browser run first, so that keys pressed meanwhile are there to deliver.
  page::Sleep(0);
  Serve();
}

void WebEventLoop::RunMessageLoop() {
  for (;;) {
    Serve();
    double wait = kLongestWaitMs / 1000.0;
    if (std::optional<double> due = NextTimerDue()) wait = std::min(wait, *due - Now());
    if (script_ != nullptr) {
      if (std::optional<double> due = script_->NextDue(Now())) wait = std::min(wait, *due - Now());
    }
    page::Sleep(static_cast<int>(std::ceil(std::max(wait, 0.0) * 1000.0)));
  }
}

void WebEventLoop::Pause() {
  page::Sleep(1);
}

}  // namespace veltro::platform::web
