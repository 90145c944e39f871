// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech_clip.h"

#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace veltro::assets {
namespace {

// Runs espeak-ng to write the words into a WAV file; true when it succeeded.
bool RunEspeak(const std::string& words, const std::string& path) {
  std::vector<std::string> args = {"espeak-ng", "-v", "en-us", "-s", "150", "-w", path, words};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "espeak-ng", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Linear resampling: good enough for a voice that is already band-limited.
Samples Resample(const Samples& in, int from_rate, int to_rate) {
  if (from_rate == to_rate || in.empty()) return in;
  size_t count = static_cast<size_t>(static_cast<double>(in.size()) * to_rate / from_rate);
  Samples out(count);
  for (size_t i = 0; i < count; ++i) {
    double position = static_cast<double>(i) * from_rate / to_rate;
    size_t index = static_cast<size_t>(position);
    double frac = position - static_cast<double>(index);
    float next = index + 1 < in.size() ? in[index + 1] : in[index];
    out[i] = static_cast<float>(in[index] * (1.0 - frac) + next * frac);
  }
  return out;
}

}  // namespace

std::optional<Samples> SpeakWords(const std::string& words, int rate,
                                  const std::string& scratch_path) {
  if (!RunEspeak(words, scratch_path)) return std::nullopt;
  SF_INFO info{};
  SNDFILE* file = sf_open(scratch_path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    std::remove(scratch_path.c_str());
    return std::nullopt;
  }
  std::vector<float> interleaved(static_cast<size_t>(info.frames) * info.channels);
  sf_count_t read = sf_readf_float(file, interleaved.data(), info.frames);
  sf_close(file);
  std::remove(scratch_path.c_str());
  if (read <= 0) return std::nullopt;

  Samples mono(static_cast<size_t>(read));
  for (size_t i = 0; i < mono.size(); ++i) mono[i] = interleaved[i * info.channels];
  return Resample(mono, info.samplerate, rate);
}

}  // namespace veltro::assets
