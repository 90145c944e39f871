#include "scripted_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace veltro::testing {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<LoggedSpeech> ParseSpeechLog(const std::string& text) {
  std::vector<LoggedSpeech> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    size_t blank = line.find(' ');
    if (blank == std::string::npos) continue;
    lines.push_back({std::stod(line.substr(0, blank)), line.substr(blank + 1)});
  }
  return lines;
}

}  // namespace

double ScriptedRun::TimeOf(const std::string& text, double from) const {
  for (const LoggedSpeech& line : speech) {
    if (line.time >= from && line.text == text) return line.time;
  }
  return -1.0;
}

bool ScriptedRun::SaysInOrder(const std::vector<std::string>& texts) const {
  size_t next = 0;
  for (const LoggedSpeech& line : speech) {
    if (next < texts.size() && line.text == texts[next]) ++next;
  }
  return next == texts.size();
}

ScriptedRun RunScript(const std::string& script, const std::string& extra_arguments) {
  static int runs = 0;
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("veltro_scripted_run_" + std::to_string(getpid()) + "_" + std::to_string(++runs));
  std::filesystem::create_directories(folder);
  std::string command = std::string("'") + VELTRO_BIN_DIR + "/veltro-lander' --headless --keys '" +
                        VELTRO_SOURCE_DIR + "/tests/program/scripts/" + script +
                        "' --speech-log '" + (folder / "speech.log").string() + "' --sound-log '" +
                        (folder / "sound.log").string() + "' " + extra_arguments + " 2> '" +
                        (folder / "stderr.txt").string() + "'";
  int raw = std::system(command.c_str());

  ScriptedRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.errors = ReadFile(folder / "stderr.txt");
  run.speech = ParseSpeechLog(ReadFile(folder / "speech.log"));
  run.sound_log = ReadFile(folder / "sound.log");
  std::filesystem::remove_all(folder);
  return run;
}

}  // namespace veltro::testing
