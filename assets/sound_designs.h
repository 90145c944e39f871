// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "synth.h"

namespace veltro::assets {

// Sample rate of the two tones the game retunes. The game plays them at 10025 to 80025 Hz;
// with their base pitches below, that range lands between about 150 Hz and 1.35 kHz.
constexpr int kToneRate = 22050;
constexpr double kAltitudeToneHz = 370.0;
constexpr double kFuelToneHz = 330.0;
// The rates the game plays the tones at: from the ground up to the top of each tone's sweep.
constexpr int kTonePlayedLowest = 10025;
constexpr int kAltitudeTonePlayedHighest = 70025;
constexpr int kFuelTonePlayedHighest = 80025;

// Every rate a sound is heard at that its loudness and timbre must hold over: the two ends of a
// tone's sweep and its own rate; other sounds play only at their own rate.
inline std::vector<int> PlayedRates(const std::string& name, int own_rate) {
  if (name == "alt.wav") return {kTonePlayedLowest, own_rate, kAltitudeTonePlayedHighest};
  if (name == "fuel.wav") return {kTonePlayedLowest, own_rate, kFuelTonePlayedHighest};
  return {own_rate};
}

// Clicks start after this much silence: the game starts them 96 bytes (48 samples) in.
constexpr int kClickLeadSamples = 48;

struct NamedClip {
  std::string name;  // the file name the game asks for
  Clip clip;
};

// Every sound the game plays, synthesised. `scratch_dir` is where espeak-ng may write its
// temporary files.
std::vector<NamedClip> DesignAllSounds(const std::string& scratch_dir);

}  // namespace veltro::assets
