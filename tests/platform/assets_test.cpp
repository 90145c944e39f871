// The game's synthesised sounds, as the build writes them beside the program.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/file_names.h"
#include "platform/text.h"

namespace {

using Samples = std::vector<double>;  // mono, in [-1, 1]

Samples Read(const std::string& name, SF_INFO& info) {
  SNDFILE* file = sf_open((VELTRO_BIN_DIR "/" + name).c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  Samples samples(static_cast<size_t>(info.frames));
  sf_readf_double(file, samples.data(), info.frames);
  sf_close(file);
  return samples;
}

double Peak(Samples::const_iterator begin, Samples::const_iterator end) {
  return std::fabs(*std::max_element(
      begin, end, [](double a, double b) { return std::fabs(a) < std::fabs(b); }));
}

// The fundamental frequency, from the zero crossings: the tones' overtones are too weak to add any.
double Fundamental(const Samples& s, int rate) {
  int crossings = 0;
  for (size_t i = 1; i < s.size(); ++i) crossings += (s[i - 1] < 0.0) != (s[i] < 0.0);
  return crossings * rate / 2.0 / static_cast<double>(s.size());
}

TEST(Assets, EverySoundIsAnAudibleMono16BitWaveOfItsLengthThatLoopsSeamlessly) {
  struct Expected {
    const char* name;
    double min_seconds, max_seconds;
    bool loops, clicks;
  };
  const Expected kSounds[] = {
      {"intro.wav", 1.0, 4.0, false, false},     {"alt.wav", 0.5, 2.0, true, false},
      {"toofast.wav", 0.2, 2.0, true, false},    {"fuel.wav", 0.5, 2.0, true, false},
      {"retrojet.wav", 1.0, 4.0, true, false},   {"NoFuel.wav", 0.5, 2.0, true, false},
      {"click.wav", 0.002, 0.05, false, true},   {"vel2.wav", 0.002, 0.08, false, true},
      {"touchdown.wav", 0.3, 2.0, false, false}, {"landed.wav", 1.0, 5.0, false, false},
      {"housprob.wav", 1.0, 5.0, false, false},  {"explosion.wav", 1.5, 5.0, false, false},
  };
  for (const auto& expected : kSounds) {
    SCOPED_TRACE(expected.name);
    SF_INFO info{};
    Samples s = Read(expected.name, info);
    ASSERT_GT(s.size(), 48u);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(info.channels, 1);
    double seconds = static_cast<double>(s.size()) / info.samplerate;
    EXPECT_GE(seconds, expected.min_seconds);
    EXPECT_LE(seconds, expected.max_seconds);
    EXPECT_GT(Peak(s.begin(), s.end()), 0.5) << "too quiet";
    EXPECT_LT(Peak(s.begin(), s.end()), 0.999) << "clipped";
    // The sound engine asks for the upper-case name; its look-up must lead to this file.
    const std::string upper = veltro::platform::UpperCase(expected.name);
    EXPECT_EQ(veltro::platform::FindFileIgnoringCase(VELTRO_BIN_DIR "/" + upper),
              VELTRO_BIN_DIR "/" + std::string(expected.name));
    // Playing the end straight into the beginning is no bigger a step than any inside the sound.
    double largest_step = 0.0;
    for (size_t i = 1; i < s.size(); ++i)
      largest_step = std::max(largest_step, std::fabs(s[i] - s[i - 1]));
    if (expected.loops) {
      EXPECT_LE(std::fabs(s.front() - s.back()), largest_step + 1.0 / 32768.0);
    } else if (expected.clicks) {
      // The flight plays the clicks from byte 96 on, the sound review from the start: both
      // must hear the whole click, so the first 48 samples are silent.
      EXPECT_EQ(Peak(s.begin(), s.begin() + 48), 0.0);
    }
  }
}

TEST(Assets, RetunedTonesStayInAPleasantBand) {
  // The game plays the altitude and fuel tones at 10025 to 80025 Hz.
  for (const char* name : {"alt.wav", "fuel.wav"}) {
    SCOPED_TRACE(name);
    SF_INFO info{};
    Samples tone = Read(name, info);
    double own = Fundamental(tone, info.samplerate);
    EXPECT_GE(own * 10025.0 / info.samplerate, 140.0);
    EXPECT_LE(own * 10025.0 / info.samplerate, 250.0);
    EXPECT_GE(own * 80025.0 / info.samplerate, 1000.0);
    EXPECT_LE(own * 80025.0 / info.samplerate, 1600.0);
  }
}

}  // namespace
