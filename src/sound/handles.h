// SPDX-License-Identifier: GPL-3.0-or-later
// Sound handles: the kind of slot a handle names and the slot's number, decoded in one place.
#pragma once

#include <cstdint>

namespace veltro::sound {

// 0 no sound, 1..100 a WAV slot, 101..200 an OGG stream slot (handle - 100), 201..300 an MP3
// stream slot (handle - 200).
enum class HandleKind { kWav, kOgg, kMp3 };

struct Handle {
  HandleKind kind;
  int32_t slot;

  // The handle of a slot: the slot's number above its kind's base.
  int16_t value() const { return static_cast<int16_t>(Base(kind) + slot); }

  static constexpr int16_t Base(HandleKind kind) {
    return kind == HandleKind::kMp3 ? 200 : kind == HandleKind::kOgg ? 100 : 0;
  }
};

// The kind is read from the range alone, and the slot need not exist: a handle of 100 or below
// names that WAV slot (0 and negative handles included), one above 300 an MP3 slot past the
// last. The slot accessors refuse a slot that does not exist, like any failing step.
inline Handle DecodeHandle(int16_t value) {
  const HandleKind kind = value > Handle::Base(HandleKind::kMp3)   ? HandleKind::kMp3
                          : value > Handle::Base(HandleKind::kOgg) ? HandleKind::kOgg
                                                                   : HandleKind::kWav;
  return {kind, value - Handle::Base(kind)};
}

// DeleteSound and DeleteSound2 leave this handle, like 0, as it is.
constexpr int16_t kNeverDeleted = 999;

inline int16_t OggHandleOf(int32_t slot) {
  return Handle{HandleKind::kOgg, slot}.value();
}

inline int16_t Mp3HandleOf(int32_t slot) {
  return Handle{HandleKind::kMp3, slot}.value();
}

}  // namespace veltro::sound
