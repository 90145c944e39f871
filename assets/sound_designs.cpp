// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound_designs.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <numbers>
#include <optional>
#include <random>

#include "game/sound_table.h"
#include "loudness.h"
#include "speech_clip.h"

namespace veltro::assets {
namespace {

constexpr int kRate = 22050;
constexpr int kClickRate = 44100;

// The altitude tone: a warm, rounded tone whose overtones fall away gently. Near the ground the
// game plays it an octave and more lower, where small speakers give little of the fundamental:
// the overtones carry it there. One second holds exactly 370 periods, so it loops without a
// seam; one second is also long enough to be heard when the sound review plays it once.
// Its partials start in phases that keep its peaks low, so it reaches its level without clipping.
Clip AltitudeTone() {
  const std::vector<double> partials = {1.0, 0.7, 0.45, 0.3, 0.18, 0.1};
  Samples tone = Harmonics(kToneRate, 1.0, kAltitudeToneHz, partials, LowPeakPhases(partials));
  StartAtZeroCrossing(tone);
  Normalize(tone, 0.8);
  return {kToneRate, tone};
}

// The fuel tone: hollow and reedy (odd harmonics) with a gentle pulse four times a second, so it
// never sounds like the altitude tone even when both sit at the same pitch.
Clip FuelTone() {
  const std::vector<double> partials = {1.0, 0.0, 0.75, 0.0, 0.5, 0.0, 0.3, 0.0, 0.18};
  Samples tone = Harmonics(kToneRate, 1.0, kFuelToneHz, partials, LowPeakPhases(partials));
  for (size_t i = 0; i < tone.size(); ++i) {
    double t = static_cast<double>(i) / kToneRate;
    tone[i] *= static_cast<float>(0.75 + 0.25 * std::cos(2.0 * std::numbers::pi * 4.0 * t));
  }
  StartAtZeroCrossing(tone);
  Normalize(tone, 0.8);
  return {kToneRate, tone};
}

// "Descending too fast": a fast, bright two-note beeping, eight beeps a second.
Clip TooFastWarning() {
  Samples loop;
  for (int beep = 0; beep < 4; ++beep) {
    Samples note = Harmonics(kRate, 0.1, beep % 2 == 0 ? 1400.0 : 1050.0, {1.0, 0.0, 0.3});
    Fade(note, kRate, 0.005, 0.02);
    MixAt(loop, note, kRate, beep * 0.125);
  }
  loop.resize(kRate / 2, 0.0f);
  Normalize(loop, 0.85);
  return {kRate, loop};
}

// Out of fuel: a low, buzzing falling "whoop" twice a second.
Clip OutOfFuelWarning() {
  Samples loop;
  for (int whoop = 0; whoop < 2; ++whoop) {
    Samples note = Glide(kRate, 0.4, 320.0, 190.0, {1.0, 0.5, 0.33, 0.25, 0.2, 0.16});
    Fade(note, kRate, 0.01, 0.05);
    MixAt(loop, note, kRate, whoop * 0.5);
  }
  loop.resize(kRate, 0.0f);
  Normalize(loop, 0.85);
  return {kRate, loop};
}

// The thrusters: a deep rumble of filtered noise with a little hiss, looped without a seam.
Clip Thruster(std::mt19937& random) {
  constexpr double kSeconds = 2.0, kOverlap = 0.25;
  constexpr float kRumbleDrive = 3.0f;
  size_t count = static_cast<size_t>((kSeconds + kOverlap) * kRate);
  Samples rumble = Noise(random, count);
  LowPass(rumble, kRate, 180.0);
  LowPass(rumble, kRate, 180.0);
  Normalize(rumble, 1.0);
  // Driven a little, as a rocket's roar is: its rare tall peaks are rounded off, so the rumble
  // reaches its level with room to spare.
  for (float& sample : rumble) sample = std::tanh(kRumbleDrive * sample);
  Normalize(rumble, 1.0);
  Samples hiss = Noise(random, count);
  LowPass(hiss, kRate, 2500.0);
  Normalize(hiss, 1.0);
  Samples mix(count);
  for (size_t i = 0; i < count; ++i) mix[i] = 0.8f * rumble[i] + 0.2f * hiss[i];
  Samples loop = SeamlessLoop(mix, kRate, kOverlap);
  StartAtZeroCrossing(loop);  // the thrusters start without a click
  Normalize(loop, 0.9);
  return {kRate, loop};
}

// The descending click: a crisp tick, a few milliseconds of bright ring and noise.
Clip DescendingClick(std::mt19937& random) {
  Samples tick = Harmonics(kClickRate, 0.012, 3100.0, {1.0, 0.0, 0.2});
  Samples burst = Noise(random, tick.size());
  for (size_t i = 0; i < tick.size(); ++i) tick[i] = 0.7f * tick[i] + 0.3f * burst[i];
  Decay(tick, kClickRate, 0.0015);
  Fade(tick, kClickRate, 0.0002, 0.002);
  Samples clip = Silence(kClickRate, static_cast<double>(kClickLeadSamples) / kClickRate);
  MixAt(clip, tick, kClickRate, static_cast<double>(kClickLeadSamples) / kClickRate);
  Normalize(clip, 0.9);
  return {kClickRate, clip};
}

// The climbing click: a short rising blip, unmistakably not the descending tick.
Clip ClimbingClick() {
  Samples blip = Glide(kClickRate, 0.03, 1200.0, 2600.0, {1.0, 0.15});
  Decay(blip, kClickRate, 0.012);
  Fade(blip, kClickRate, 0.001, 0.004);
  Samples clip = Silence(kClickRate, static_cast<double>(kClickLeadSamples) / kClickRate);
  MixAt(clip, blip, kClickRate, static_cast<double>(kClickLeadSamples) / kClickRate);
  Normalize(clip, 0.9);
  return {kClickRate, clip};
}

// Touchdown: a soft thud of the legs meeting the ground, a crunch of dust and a short metal ring.
Clip Touchdown(std::mt19937& random) {
  Samples thud = Glide(kRate, 0.5, 90.0, 40.0, {1.0, 0.3});
  Decay(thud, kRate, 0.12);
  Fade(thud, kRate, 0.003, 0.05);
  Samples crunch = Noise(random, kRate / 2);
  LowPassSweep(crunch, kRate, 3000.0, 300.0);
  Decay(crunch, kRate, 0.08);
  Fade(crunch, kRate, 0.002, 0.05);
  Samples ring = Harmonics(kRate, 0.8, 610.0, {1.0});
  Samples ring2 = Harmonics(kRate, 0.8, 1127.0, {1.0});
  MixAt(ring, ring2, kRate, 0.0, 0.6);
  Decay(ring, kRate, 0.18);
  Fade(ring, kRate, 0.002, 0.1);
  Samples mix;
  MixAt(mix, thud, kRate, 0.0, 1.0);
  MixAt(mix, crunch, kRate, 0.0, 0.5);
  MixAt(mix, ring, kRate, 0.01, 0.25);
  Normalize(mix, 0.9);
  return {kRate, mix};
}

// The explosion: a noise blast whose brightness falls away, over a deep boom, with early crackle.
Clip Explosion(std::mt19937& random) {
  constexpr double kSeconds = 3.0;
  Samples blast = Noise(random, static_cast<size_t>(kSeconds * kRate));
  LowPassSweep(blast, kRate, 4000.0, 120.0);
  Decay(blast, kRate, 0.7);
  Fade(blast, kRate, 0.004, 0.4);
  Samples boom = Glide(kRate, 2.0, 70.0, 30.0, {1.0, 0.4});
  Decay(boom, kRate, 0.5);
  Fade(boom, kRate, 0.004, 0.3);
  Samples crackle(static_cast<size_t>(kRate * 1.2), 0.0f);
  std::uniform_real_distribution<double> chance(0.0, 1.0);
  for (size_t i = 0; i < crackle.size(); ++i) {
    if (chance(random) < 0.004) crackle[i] = static_cast<float>(chance(random) * 2.0 - 1.0);
  }
  LowPass(crackle, kRate, 5000.0);
  Decay(crackle, kRate, 0.35);
  Samples mix;
  MixAt(mix, blast, kRate, 0.0, 1.0);
  MixAt(mix, boom, kRate, 0.0, 0.8);
  MixAt(mix, crackle, kRate, 0.02, 2.0);
  Normalize(mix, 0.95);
  return {kRate, mix};
}

// A bell-like note for the jingles.
Samples Chime(double frequency, double seconds) {
  Samples note = Harmonics(kRate, seconds, frequency, {1.0, 0.35, 0.0, 0.15});
  Decay(note, kRate, seconds / 3.0);
  Fade(note, kRate, 0.004, 0.05);
  return note;
}

// Notes played one after another, `step` seconds apart.
Samples Arpeggio(const std::vector<double>& notes, double step, double length) {
  Samples out;
  for (size_t i = 0; i < notes.size(); ++i) MixAt(out, Chime(notes[i], length), kRate, i * step);
  return out;
}

// Words spoken by espeak-ng placed after `lead`, or `fallback` when no voice is available.
Clip SpokenOrJingle(const std::string& words, Samples lead, Samples fallback,
                    const std::string& scratch_path) {
  std::optional<Samples> voice = SpeakWords(words, kRate, scratch_path);
  if (!voice) {
    Normalize(fallback, 0.9);
    return {kRate, fallback};
  }
  Fade(*voice, kRate, 0.005, 0.02);  // the voice's own edges may not be silent
  Normalize(*voice, 0.9);
  Samples mix = lead;
  MixAt(mix, *voice, kRate, static_cast<double>(lead.size()) / kRate);
  Normalize(mix, 0.9);
  return {kRate, mix};
}

// The mix as the player hears it: each sound's loudest moment (LUFS, K-weighted over 400 ms) at
// the volume the game plays it with, the tones in the middle of the range they are heard in over
// their sweep. The cues the player flies by share one level, the altitude tone's loudest without
// clipping; the thrusters and the introduction sit under them, and the end
// of a flight stands clearly above. The clicks keep their designed peaks: they are too short to
// be measured this way.
constexpr double kCueLevel = -26.0;
struct Level {
  game::SoundRow row;
  double lufs;
};
constexpr Level kMix[] = {
    {game::kAltitudeTone, kCueLevel},
    {game::kFuelTone, kCueLevel},
    {game::kTooFast, kCueLevel},
    {game::kNoFuel, kCueLevel},
    {game::kThruster, kCueLevel - 3.0},
    {game::kIntro, kCueLevel - 2.0},
    {game::kTouchdown, kCueLevel + 5.0},
    {game::kLanded, kCueLevel + 5.0},
    {game::kHoustonProblem, kCueLevel + 5.0},
    {game::kExplosion, kCueLevel + 4.5},
};

bool LevelTheMix(std::vector<NamedClip>& clips) {
  bool ok = true;
  for (NamedClip& named : clips) {
    for (const Level& level : kMix) {
      if (named.name != level.row.waveFileIn) continue;
      const bool loop = level.row.DSFlags == game::kFlagLoop;
      // The too-fast warning starts silent and sounds at kTooFastVolume.
      const int16_t volume =
          level.row.Volume == game::kSilent ? game::kTooFastVolume : level.row.Volume;
      const double file_lufs = level.lufs - volume / 100.0;
      if (!LevelTo(named.clip.samples, PlayedRates(named.name, named.clip.rate), loop, file_lufs)) {
        std::cerr << "make-sounds: " << named.name
                  << " cannot be made loud enough without clipping\n";
        ok = false;
      }
    }
  }
  return ok;
}

}  // namespace

std::vector<NamedClip> DesignAllSounds(const std::string& scratch_dir) {
  std::mt19937 random(20260106);  // fixed: every build writes the same sounds
  const std::string scratch = scratch_dir + "/speech-scratch.wav";

  // The introduction: a rising chime, then the title.
  Samples intro_chime = Arpeggio({523.25, 659.25, 783.99, 1046.5}, 0.12, 0.6);
  Samples intro_lead = intro_chime;
  intro_lead.resize(static_cast<size_t>(kRate * 0.7), 0.0f);
  Fade(intro_lead, kRate, 0.0, 0.15);  // the chime dies away before the title, not cut off
  Clip intro =
      SpokenOrJingle("Veltro Lander", intro_lead,
                     Arpeggio({523.25, 659.25, 783.99, 1046.5, 1318.5}, 0.15, 0.9), scratch);
  // A safe landing: cheerful words over nothing, or a major fanfare.
  Clip landed = SpokenOrJingle("The Veltro has landed. Well done.", Samples{},
                               Arpeggio({392.0, 523.25, 659.25, 783.99}, 0.18, 0.8), scratch);
  // A crash: the words of a worried crew, or a falling minor figure.
  Clip problem = SpokenOrJingle("Mission control, we have a problem!", Samples{},
                                Arpeggio({466.16, 392.0, 311.13, 233.08}, 0.2, 0.7), scratch);

  std::vector<NamedClip> clips;
  clips.push_back({"intro.wav", intro});
  clips.push_back({"alt.wav", AltitudeTone()});
  clips.push_back({"toofast.wav", TooFastWarning()});
  clips.push_back({"fuel.wav", FuelTone()});
  clips.push_back({"retrojet.wav", Thruster(random)});
  clips.push_back({"NoFuel.wav", OutOfFuelWarning()});
  clips.push_back({"click.wav", DescendingClick(random)});
  clips.push_back({"vel2.wav", ClimbingClick()});
  clips.push_back({"touchdown.wav", Touchdown(random)});
  clips.push_back({"landed.wav", landed});
  clips.push_back({"housprob.wav", problem});
  clips.push_back({"explosion.wav", Explosion(random)});
  if (!LevelTheMix(clips)) return {};
  return clips;
}

}  // namespace veltro::assets
