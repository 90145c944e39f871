// SPDX-License-Identifier: GPL-3.0-or-later
// Starting OGG and MP3 streams: the file test, the slot search by reuse class, the start with
// the caller's volume, pan and frequency, and the pause bit.
#include "platform/base/platform_error.h"
#include "sound/reuse_class.h"
#include "sound/sound.h"

namespace veltro::sound {

using platform::MessageBoxButtons;
using platform::MessageBoxIcon;
using platform::TryStep;

// The first stream slot, level by level (-1, 0, 1, 2), that is free or of the level's class and
// not playing; 0 when there is none. `kind` is kOgg or kMp3.
int16_t Sound::FindStreamSlot(HandleKind kind, int16_t count) {
  const bool ogg = kind == HandleKind::kOgg;
  for (int16_t level = -1; level <= 2; ++level) {
    for (int16_t s = 1; s <= count; ++s) {
      const bool free = ogg ? Ogg(s).OggHandle == 0 : !Mp3(s).Mp3Control;
      const int16_t mode = ogg ? Ogg(s).OggMode : Mp3(s).Mp3Mode;
      if ((free || mode == level) && !IsPlaying(Handle{kind, s}.value())) return s;
    }
  }
  return 0;
}

// A new stream's volume, pan and frequency: 0 volume and 0 pan keep the player's own, a
// frequency of -1 keeps its rate (0 is passed on).
void Sound::ShapeNewStream(int16_t handle, int16_t Volume, int32_t Frequency, int16_t Pan) {
  if (Volume < 0) SetVolume(handle, Volume);
  if (Pan != 0) SetPan(handle, Pan);
  if (Frequency > -1) SetFrequency(handle, Frequency);
}

int16_t Sound::PlayOGGSound(const std::string& waveFileIn, int16_t Volume, int32_t Frequency,
                            int16_t Pan, int16_t DSFlags) {
  if (!Timer1Enabled_) {
    ui_.dialogs.MessageBox("OGG DLL is missing.", "Error", MessageBoxIcon::kCritical,
                           MessageBoxButtons::kOk);
    ShutdownForm1();
    ui_.events.EndProgram();
  }
  // The folder always comes first, even before a full path. Names arrive in upper case: the
  // file is found whatever the letter case on disk.
  const std::string full = AppPath + waveFileIn;
  std::string found;
  TryStep([&] { found = ui_.environment.FindFile(full).value_or(""); });
  if (found.empty()) {
    if (!QuietErrors_) {
      ui_.dialogs.MessageBox("File: " + waveFileIn + " does not exist!", "File not found.",
                             MessageBoxIcon::kCritical, MessageBoxButtons::kOk);
    }
    return 0;
  }
  const int16_t o = FindStreamSlot(HandleKind::kOgg, settings_.OggBuffers);
  if (o == 0) {
    ui_.dialogs.MessageBox("insufficient OGG Handles available.", "Error!",
                           MessageBoxIcon::kCritical, MessageBoxButtons::kOk);
    return 0;
  }
  const int16_t handle = OggHandleOf(o);
  OggSlot& slot = Ogg(o);
  if (slot.OggHandle > 0) {
    int16_t old = handle;
    DeleteSound(old);
  }
  if (Has(DSFlags, platform::kFlag3D)) {
    ui_.dialogs.MessageBox("Standard OGG Files can not be 3d. File: " + full, "Error.",
                           MessageBoxIcon::kCritical, MessageBoxButtons::kOk);
  }
  slot.OggHandle = ogg_.PlayOggFromDisc(found, Has(DSFlags, platform::kFlagLoop) ? 1 : 0);
  ArmTimer1();
  slot.OggPaused = false;
  if (slot.OggHandle == 0) return 0;
  ShapeNewStream(handle, Volume, Frequency, Pan);
  if (Has(DSFlags, platform::kFlagPrepare)) {
    ogg_.PauseOgg(slot.OggHandle);
    slot.OggPaused = true;
  }
  int16_t result = handle;
  if (slot.OggHandle <= 0) {
    result = 0;
    slot.OggPaused = false;
  }
  slot.OggMode = ReuseClass(DSFlags);
  return result;
}

int16_t Sound::PlayMP3Sound(const std::string& waveFileIn, int16_t Volume, int32_t Frequency,
                            int16_t Pan, int16_t DSFlags) {
  const std::string name = FullName(waveFileIn);
  std::string found;
  TryStep([&] { found = ui_.environment.FindFile(name).value_or(""); });
  if (found.empty()) return 0;
  const int16_t m = FindStreamSlot(HandleKind::kMp3, settings_.Mp3Buffers);
  if (m == 0) return 0;
  const int16_t handle = Mp3HandleOf(m);
  Mp3Slot& slot = Mp3(m);
  if (slot.Mp3Control) {
    int16_t old = handle;
    DeleteSound(old);
  }
  if (Has(DSFlags, platform::kFlag3D)) {
    ui_.dialogs.MessageBox("Standard MP3 Files can not be 3d. File: " + name, "Error.",
                           MessageBoxIcon::kCritical, MessageBoxButtons::kOk);
  }
  if (slot.Mp3Control) TryStep([&] { slot.Mp3Control->Stop(); });
  slot.Mp3Control.reset();
  slot.Mp3Audio.reset();
  slot.Mp3Position.reset();
  // Every step that fails is skipped: a graph that cannot render its file still gives a handle,
  // and plays nothing.
  TryStep([&] { slot.Mp3Control = direct_show_.NewFilgraphManager(); });
  TryStep([&] { Graph(slot).RenderFile(found); });
  slot.Mp3Audio = slot.Mp3Control;
  TryStep([&] { Graph(slot).SetVolume(0); });
  TryStep([&] { Graph(slot).SetBalance(0); });
  slot.Mp3Position = slot.Mp3Control;
  TryStep([&] { Graph(slot).SetRate(1.0); });
  TryStep([&] { Graph(slot).SetCurrentPosition(0); });
  TryStep([&] { Graph(slot).Run(); });
  slot.Mp3Paused = false;
  ShapeNewStream(handle, Volume, Frequency, Pan);
  if (Has(DSFlags, platform::kFlagPrepare)) {
    TryStep([&] { Graph(slot).Stop(); });
    slot.Mp3Paused = true;
  }
  int16_t result = handle;
  if (!slot.Mp3Control) {
    result = 0;
    slot.Mp3Paused = false;
  }
  slot.Mp3Mode = ReuseClass(DSFlags);
  return result;
}

}  // namespace veltro::sound
