// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "game/ports.h"
#include "platform/audio/play_flags.h"

namespace veltro::game {

// One way the game starts a sound: the arguments it gives `PlaySound`.
struct SoundRow {
  const char* waveFileIn;
  int16_t Volume;         // hundredths of a decibel, 0 full, -10000 silent
  int32_t Frequency;      // hertz; -1 keeps the sound's own rate
  int16_t Pan;            // hundredths of a decibel, negative to the left
  int32_t StartPosition;  // byte offset
  int16_t DSFlags;        // kFlagLoop repeats until stopped, kOnce plays once
};

using platform::kFlagLoop;
inline constexpr int16_t kOnce = 0;  // no play flags: the sound plays once

// The cue volumes; muting a cue and unmuting it again returns it to these.
inline constexpr int16_t kAltitudeToneVolume = -2000;
inline constexpr int16_t kFuelToneVolume = -1000;
inline constexpr int16_t kTooFastVolume = -1000;
inline constexpr int16_t kThrusterVolume = -1800;
inline constexpr int16_t kSilent = -10000;

// Every sound of the game.
inline constexpr SoundRow kIntro{"intro.wav", 0, -1, 0, 0, kOnce};
inline constexpr SoundRow kAltitudeTone{"alt.wav", kAltitudeToneVolume, -1, -3000, 0, kFlagLoop};
inline constexpr SoundRow kTooFast{"toofast.wav", kSilent, -1, -800, 0, kFlagLoop};
inline constexpr SoundRow kFuelTone{"fuel.wav", kFuelToneVolume, -1, 3000, 0, kFlagLoop};
inline constexpr SoundRow kThruster{"retrojet.wav", kThrusterVolume, -1, 0, 0, kFlagLoop};
inline constexpr SoundRow kNoFuel{"NoFuel.wav", -1000, -1, 0, 0, kFlagLoop};
inline constexpr SoundRow kDescendingClick{"click.wav", -1400, -1, 800, 96, kOnce};
inline constexpr SoundRow kClimbingClick{"vel2.wav", -1000, -1, 800, 96, kOnce};
inline constexpr SoundRow kTouchdown{"touchdown.wav", 0, -1, 0, 0, kOnce};
inline constexpr SoundRow kLanded{"landed.wav", 0, -1, 0, 0, kOnce};
inline constexpr SoundRow kHoustonProblem{"housprob.wav", 0, -1, 0, 0, kOnce};
inline constexpr SoundRow kExplosion{"explosion.wav", -1000, -1, 0, 0, kOnce};

// The demonstration of the cues on the main menu plays each once, some with other arguments.
inline constexpr SoundRow kReviewThruster{"retrojet.wav", kThrusterVolume, -1, 0, 0, kOnce};
inline constexpr SoundRow kReviewNoFuel{"NoFuel.wav", -1000, -1, 0, 0, kOnce};
inline constexpr SoundRow kReviewAltitude{"alt.wav", kAltitudeToneVolume, 44100, -3000, 0, kOnce};
inline constexpr SoundRow kReviewClick{"click.wav", -1400, -1, 800, 0, kOnce};
inline constexpr SoundRow kReviewFuel{"fuel.wav", kFuelToneVolume, -1, 3000, 0, kOnce};
inline constexpr SoundRow kReviewTooFast{"toofast.wav", -1000, -1, -800, 0, kOnce};

// The file of every sound above, for reading ahead.
inline constexpr const char* kSoundFiles[] = {
    kIntro.waveFileIn,           kAltitudeTone.waveFileIn,   kTooFast.waveFileIn,
    kFuelTone.waveFileIn,        kThruster.waveFileIn,       kNoFuel.waveFileIn,
    kDescendingClick.waveFileIn, kClimbingClick.waveFileIn,  kTouchdown.waveFileIn,
    kLanded.waveFileIn,          kHoustonProblem.waveFileIn, kExplosion.waveFileIn};

// Starts a row and returns its handle. The engine may write back into its arguments; those
// are copies, so the table never changes.
inline int16_t PlayRow(GameSound& sound, SoundRow row) {
  return sound.PlaySound(row.waveFileIn, row.Volume, row.Frequency, row.Pan, row.StartPosition,
                         row.DSFlags);
}

}  // namespace veltro::game
