// The game's synthesised sounds, as the build writes them beside the program.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/file_names.h"

namespace {

struct Wave {
  SF_INFO info{};
  std::vector<double> samples;  // mono, in [-1, 1]
  double Seconds() const { return static_cast<double>(samples.size()) / info.samplerate; }
};

Wave Read(const std::string& name) {
  Wave wave;
  std::string path = std::string(VELTRO_BIN_DIR) + "/" + name;
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &wave.info);
  if (file == nullptr) {
    ADD_FAILURE() << "cannot open " << path << ": " << sf_strerror(nullptr);
    return wave;
  }
  wave.samples.resize(static_cast<size_t>(wave.info.frames));
  sf_readf_double(file, wave.samples.data(), wave.info.frames);
  sf_close(file);
  return wave;
}

double LargestStep(const std::vector<double>& s) {
  double largest = 0.0;
  for (size_t i = 1; i < s.size(); ++i) largest = std::max(largest, std::fabs(s[i] - s[i - 1]));
  return largest;
}

double Peak(const std::vector<double>& s) {
  double peak = 0.0;
  for (double x : s) peak = std::max(peak, std::fabs(x));
  return peak;
}

// The fundamental frequency, from the first strong peak of the autocorrelation, searched
// between 50 Hz and 2 kHz.
double Fundamental(const Wave& wave) {
  const auto& s = wave.samples;
  int rate = wave.info.samplerate;
  size_t window = std::min<size_t>(s.size() / 2, static_cast<size_t>(rate / 5));
  std::vector<double> correlation;
  size_t min_lag = static_cast<size_t>(rate / 2000), max_lag = static_cast<size_t>(rate / 50);
  for (size_t lag = 0; lag <= max_lag; ++lag) {
    double sum = 0.0;
    for (size_t i = 0; i < window; ++i) sum += s[i] * s[i + lag];
    correlation.push_back(sum);
  }
  double best =
      *std::max_element(correlation.begin() + static_cast<long>(min_lag), correlation.end());
  for (size_t lag = min_lag + 1; lag + 1 < correlation.size(); ++lag) {
    if (correlation[lag] >= 0.9 * best && correlation[lag] >= correlation[lag - 1] &&
        correlation[lag] >= correlation[lag + 1]) {
      return static_cast<double>(rate) / static_cast<double>(lag);
    }
  }
  return 0.0;
}

// Loudest over quietest 20 ms stretch: 1 for a steady tone.
double LoudnessSwing(const Wave& wave) {
  size_t block = static_cast<size_t>(wave.info.samplerate / 50);
  double loudest = 0.0, quietest = 1e9;
  for (size_t start = 0; start + block <= wave.samples.size(); start += block) {
    double sum = 0.0;
    for (size_t i = start; i < start + block; ++i) sum += wave.samples[i] * wave.samples[i];
    double rms = std::sqrt(sum / static_cast<double>(block));
    loudest = std::max(loudest, rms);
    quietest = std::min(quietest, rms);
  }
  return quietest > 0.0 ? loudest / quietest : 1e9;
}

struct Expected {
  const char* name;
  double min_seconds, max_seconds;
  bool loops;
};

// Every sound the game plays, with the length each is meant to have.
const Expected kSounds[] = {
    {"intro.wav", 1.0, 4.0, false},     {"alt.wav", 0.5, 2.0, true},
    {"toofast.wav", 0.2, 2.0, true},    {"fuel.wav", 0.5, 2.0, true},
    {"retrojet.wav", 1.0, 4.0, true},   {"NoFuel.wav", 0.5, 2.0, true},
    {"click.wav", 0.002, 0.05, false},  {"vel2.wav", 0.002, 0.08, false},
    {"touchdown.wav", 0.3, 2.0, false}, {"landed.wav", 1.0, 5.0, false},
    {"housprob.wav", 1.0, 5.0, false},  {"explosion.wav", 1.5, 5.0, false},
};

std::string Uppercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

TEST(Assets, EverySoundIsAnAudibleMono16BitWaveOfItsIntendedLength) {
  for (const auto& expected : kSounds) {
    SCOPED_TRACE(expected.name);
    Wave wave = Read(expected.name);
    ASSERT_FALSE(wave.samples.empty());
    EXPECT_EQ(wave.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(wave.info.channels, 1);
    EXPECT_GE(wave.Seconds(), expected.min_seconds);
    EXPECT_LE(wave.Seconds(), expected.max_seconds);
    EXPECT_GT(Peak(wave.samples), 0.5) << "too quiet";
    EXPECT_LT(Peak(wave.samples), 0.999) << "clipped";
    // The sound engine asks for the upper-case name; its look-up must lead to this file.
    std::string path = std::string(VELTRO_BIN_DIR) + "/" + expected.name;
    EXPECT_EQ(veltro::platform::FindFileIgnoringCase(std::string(VELTRO_BIN_DIR) + "/" +
                                                     Uppercase(expected.name)),
              path);
  }
}

TEST(Assets, LoopingSoundsJoinWithoutAJump) {
  for (const auto& expected : kSounds) {
    if (!expected.loops) continue;
    SCOPED_TRACE(expected.name);
    Wave wave = Read(expected.name);
    ASSERT_GT(wave.samples.size(), 2u);
    double wrap = std::fabs(wave.samples.front() - wave.samples.back());
    // Playing the end straight into the beginning is no bigger a step than any inside the sound.
    EXPECT_LE(wrap, LargestStep(wave.samples) + 1.0 / 32768.0);
  }
}

TEST(Assets, ClicksStartAfterTheBytesTheGameSkips) {
  // The flight plays the clicks from byte 96 on, the sound review from the start: both must
  // hear the whole click, so the first 48 samples are silent.
  for (const char* name : {"click.wav", "vel2.wav"}) {
    SCOPED_TRACE(name);
    Wave wave = Read(name);
    ASSERT_GT(wave.samples.size(), 48u);
    EXPECT_EQ(Peak({wave.samples.begin(), wave.samples.begin() + 48}), 0.0);
    EXPECT_GT(Peak({wave.samples.begin() + 48, wave.samples.end()}), 0.5);
  }
}

TEST(Assets, RetunedTonesStayInAPleasantBandAndDifferInTimbre) {
  // The game plays the altitude and fuel tones at 10025 to 80025 Hz.
  Wave altitude = Read("alt.wav");
  Wave fuel = Read("fuel.wav");
  for (const Wave* tone : {&altitude, &fuel}) {
    double own = Fundamental(*tone);
    ASSERT_GT(own, 0.0);
    double lowest = own * 10025.0 / tone->info.samplerate;
    double highest = own * 80025.0 / tone->info.samplerate;
    EXPECT_GE(lowest, 140.0);
    EXPECT_LE(lowest, 250.0);
    EXPECT_GE(highest, 1000.0);
    EXPECT_LE(highest, 1600.0);
  }
  // Told apart by ear even at one pitch: the altitude tone is steady, the fuel tone pulses.
  EXPECT_LT(LoudnessSwing(altitude), 1.1);
  EXPECT_GT(LoudnessSwing(fuel), 1.5);
}

TEST(Assets, HelpPageLiesBesideTheProgram) {
  std::string path = std::string(VELTRO_BIN_DIR) + "/help.html";
  FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr) << path;
  std::string text;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  std::fclose(file);
  for (const char* must : {"<html lang=\"en\">", "<h1>", "Moon", "Gas Giant", "Shift</kbd>+<kbd>F1",
                           "Control</kbd>+<kbd>3", "veltro-lander 3", "<th scope=\"col\">"}) {
    EXPECT_NE(text.find(must), std::string::npos) << must;
  }
}

}  // namespace
