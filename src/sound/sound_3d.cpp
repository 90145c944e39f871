// SPDX-License-Identifier: GPL-3.0-or-later
// Placing 3D sounds and the listener. Callers give coordinates as x, z, y in their own units;
// the device gets (x, y, z) times 100.
#include "platform/base/platform_error.h"
#include "sound/sound.h"

namespace veltro::sound {

using platform::TryStep;

void Sound::SetPosition(int32_t i, float x, float z, float y, int32_t deferred) {
  bool has_3d = true;
  // A failing test (no such slot) does not stop the steps after it.
  TryStep([&] { has_3d = Wav(i).DS3DBuffer != nullptr; });
  if (!has_3d) return;
  // The minimum distance goes to the slot PlaySound used last, which need not be slot i.
  TryStep([&] {
    WavSlot& last = Wav(NextSlot_);
    if (!last.DS3DBuffer) throw platform::PlatformError("no 3D buffer");
    last.DS3DBuffer->SetMinDistance(100, platform::DS3D_IMMEDIATE);
  });
  TryStep([&] {
    WavSlot& slot = Wav(i);
    if (!slot.DS3DBuffer) throw platform::PlatformError("no 3D buffer");
    slot.DS3DBuffer->SetPosition({x * 100.0f, y * 100.0f, z * 100.0f}, deferred);
  });
}

void Sound::ListenerPosition(float x, float z, float y) {
  if (!Listener) throw platform::PlatformError("no 3D listener");
  Listener->SetPosition({x * 100.0f, y * 100.0f, z * 100.0f}, platform::DS3D_IMMEDIATE);
}

void Sound::SetPlayersOrientation() {
  if (!Listener) throw platform::PlatformError("no 3D listener");
  Listener->SetOrientation({-1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, platform::DS3D_IMMEDIATE);
}

}  // namespace veltro::sound
