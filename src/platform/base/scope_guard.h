// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <utility>

namespace veltro::platform {

// Runs an action when the scope ends, also when a failure unwinds through it.
template <class Action>
class ScopeGuard {
 public:
  explicit ScopeGuard(Action action) : action_(std::move(action)) {}
  ~ScopeGuard() { action_(); }
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;

 private:
  Action action_;
};

}  // namespace veltro::platform
