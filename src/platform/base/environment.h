// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace veltro::platform {

// What the program knows of the machine it runs on, the same on every platform: its folder and
// command line, the files beside it, and its one random-number generator.
class Environment {
 public:
  // `program_folder` has no trailing separator. `salt` is mixed into every seed, so that runs
  // given different salts draw different numbers from the same seed (0: the seed alone counts).
  Environment(std::string program_folder, std::string command_line, uint64_t salt = 0);

  const std::string& ProgramFolder() const { return program_folder_; }
  // The argument text the program was started with.
  const std::string& CommandLine() const { return command_line_; }

  // Whether a regular file of that name exists (a folder is not a file).
  bool FileExists(const std::string& path) const;
  // The file's path as it is on disk, ignoring letter case as the program's sound names do;
  // nothing when there is no such file. A folder on the way that cannot be listed is reported
  // once on stderr. A name found once is found again with one look at the file, without listing
  // its folder: the game looks its sounds up at every play.
  std::optional<std::string> FindFile(const std::string& path) const;
  // The lines of a text file: a line ends at a carriage return, a carriage return and line feed,
  // or a line feed alone. Throws PlatformError when it cannot be read.
  std::vector<std::string> ReadLines(const std::string& path) const;

  // Uniform random numbers in [0, 1). The generator starts as if seeded with 0.
  void SeedRandom(float seed);
  double Random();

 private:
  std::string program_folder_;
  std::string command_line_;
  uint64_t salt_;
  std::mt19937_64 random_;
  mutable std::set<std::string> unlistable_reported_;
  mutable std::map<std::string, std::string> found_;  // name asked for -> path on disk
};

// The folder of the running executable, without a trailing separator; the current folder when
// the system does not say.
std::string ExecutableFolder();

}  // namespace veltro::platform
