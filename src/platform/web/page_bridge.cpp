// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/web/page_bridge.h"

#include <emscripten.h>

#include <cstdlib>

namespace {

// Strings that JavaScript hands back are allocated with malloc and freed here.
std::string TakeString(char* text) {
  std::string result = text != nullptr ? text : "";
  std::free(text);
  return result;
}

}  // namespace

// clang-format off
EM_JS(void, veltro_say, (const char* text), { VeltroPage.say(UTF8ToString(text)); });
EM_JS(void, veltro_say_unspoken, (const char* text), {
  VeltroPage.sayUnspoken(UTF8ToString(text));
});
EM_JS(void, veltro_transcribe, (const char* text), { VeltroPage.transcribe(UTF8ToString(text)); });
EM_JS(int, veltro_voice_available, (), { return VeltroPage.voiceAvailable() ? 1 : 0; });
// The voice names, each ended by a line feed.
EM_JS(char*, veltro_voice_names, (), {
  return allocateUTF8(VeltroPage.voiceNames().map((n) => n.split("\n").join(" ") + "\n").join(""));
});
EM_JS(void, veltro_voice_speak, (const char* text, double rate, double volume, const char* voice), {
  VeltroPage.voiceSpeak(UTF8ToString(text), rate, volume, UTF8ToString(voice));
});
EM_JS(void, veltro_voice_purge, (), { VeltroPage.voicePurge(); });
EM_JS(int, veltro_take_key, (), { return VeltroPage.takeKey(); });
EM_ASYNC_JS(int, veltro_message_box, (const char* text, const char* title, int with_cancel), {
  return await VeltroPage.messageBox(UTF8ToString(text), UTF8ToString(title), with_cancel !== 0);
});
EM_JS(void, veltro_set_title, (const char* title), { document.title = UTF8ToString(title); });
EM_JS(void, veltro_open_help, (), { VeltroPage.openHelp(); });
EM_JS(void, veltro_set_in_flight, (int in_flight), { VeltroGamepad.inFlight = in_flight !== 0; });
EM_JS(char*, veltro_command_line, (), { return allocateUTF8(VeltroPage.commandLine()); });
EM_JS(char*, veltro_script, (), { return allocateUTF8(VeltroPage.script()); });
EM_JS(int, veltro_sound_log_wanted, (), { return VeltroPage.soundLogWanted() ? 1 : 0; });
EM_JS(void, veltro_log_sound, (const char* line), { VeltroPage.logSound(UTF8ToString(line)); });
EM_JS(void, veltro_program_ended, (int status), { VeltroPage.programEnded(status); });
EM_ASYNC_JS(void, veltro_wait_for_key, (int milliseconds), {
  await VeltroPage.waitForKey(milliseconds);
});
// clang-format on

namespace veltro::platform::web::page {

void Say(const std::string& text) {
  veltro_say(text.c_str());
}

void SayUnspoken(const std::string& text) {
  veltro_say_unspoken(text.c_str());
}

void Transcribe(const std::string& text) {
  veltro_transcribe(text.c_str());
}

bool VoiceAvailable() {
  return veltro_voice_available() != 0;
}

std::vector<std::string> VoiceNames() {
  std::vector<std::string> names;
  const std::string all = TakeString(veltro_voice_names());
  for (size_t start = 0, end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
    names.push_back(all.substr(start, end - start));
  }
  return names;
}

void VoiceSpeak(const std::string& text, double rate, double volume,
                const std::string& voice_name) {
  veltro_voice_speak(text.c_str(), rate, volume, voice_name.c_str());
}

void VoicePurge() {
  veltro_voice_purge();
}

std::optional<KeyEvent> TakeKey() {
  const int packed = veltro_take_key();
  if (packed < 0) return std::nullopt;
  KeyEvent key;
  key.down = (packed >> 24 & 1) != 0;
  key.repeat = (packed >> 23 & 1) != 0;
  key.shift = static_cast<int16_t>(packed >> 16 & 7);
  key.code = static_cast<int16_t>(packed & 0xFFFF);
  return key;
}

bool MessageBox(const std::string& text, const std::string& title, bool with_cancel) {
  return veltro_message_box(text.c_str(), title.c_str(), with_cancel ? 1 : 0) == 1;
}

void SetTitle(const std::string& title) {
  if (!title.empty()) veltro_set_title(title.c_str());
}

void SetInFlight(bool in_flight) {
  veltro_set_in_flight(in_flight ? 1 : 0);
}

void OpenHelp() {
  veltro_open_help();
}

std::string CommandLine() {
  return TakeString(veltro_command_line());
}

std::string Script() {
  return TakeString(veltro_script());
}

bool SoundLogWanted() {
  return veltro_sound_log_wanted() != 0;
}

void LogSound(const std::string& line) {
  veltro_log_sound(line.c_str());
}

void ProgramEnded(int status) {
  veltro_program_ended(status);
}

void WaitForKey(int milliseconds) {
  veltro_wait_for_key(milliseconds);
}

void Sleep(int milliseconds) {
  emscripten_sleep(static_cast<unsigned>(milliseconds));
}

double NowMilliseconds() {
  return emscripten_get_now();
}

}  // namespace veltro::platform::web::page
