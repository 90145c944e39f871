// SPDX-License-Identifier: GPL-3.0-or-later
// veltro-lander in a web page: the page (veltro-page.js) starts it when the player presses Start.
// The game runs on the page's keyboard, live region, speech synthesis and dialogs, and on
// Emscripten's OpenAL over Web Audio, with the sounds decoded by the browser.

#include <iostream>
#include <memory>
#include <streambuf>
#include <string>

#include "platform/audio/ogg_streams.h"
#include "platform/base/environment.h"
#include "platform/decoders/whole_file_decoders.h"
#include "platform/headless/script.h"
#include "platform/headless/script_player.h"
#include "platform/openal/openal_sound_system.h"
#include "platform/openal/openal_streams.h"
#include "platform/web/page_bridge.h"
#include "platform/web/web_dialogs.h"
#include "platform/web/web_event_loop.h"
#include "platform/web/web_speech_backends.h"
#include "program.h"
#include "speech_log.h"

namespace {

namespace web = veltro::platform::web;

// Where the page's sounds are: the folder the build packs them into.
constexpr const char* kProgramFolder = "/game";

// Hands each finished line to the page's sound log.
class PageLogBuffer : public std::streambuf {
 protected:
  int overflow(int c) override {
    if (c == '\n') {
      web::page::LogSound(line_);
      line_.clear();
    } else if (c != traits_type::eof()) {
      line_ += static_cast<char>(c);
    }
    return c == traits_type::eof() ? 0 : c;
  }

 private:
  std::string line_;
};

// The key script the page was given, if any; a script that cannot be read is said on the page.
std::unique_ptr<veltro::platform::headless::ScriptPlayer> PageScript() {
  const std::string text = web::page::Script();
  if (text.empty()) return nullptr;
  try {
    return std::make_unique<veltro::platform::headless::ScriptPlayer>(
        veltro::platform::headless::ParseScript(text));
  } catch (const veltro::platform::headless::ScriptError& error) {
    std::cerr << "veltro-lander: " << error.what() << "\n";
    web::page::Say(std::string("The key script cannot be run: ") + error.what());
    return nullptr;
  }
}

}  // namespace

int main() {
  web::WebEventLoop events;
  web::WebDialogs dialogs;
  veltro::platform::Environment environment(kProgramFolder, web::page::CommandLine());
  veltro::platform::desktop::OpenAlSoundSystem sound;
  // Streams play from the browser's whole decoded copy of their file.
  veltro::platform::WholeFileDecoders decoders;
  veltro::platform::desktop::OpenAlStreamVoices voices(sound);
  veltro::platform::OggStreams ogg(decoders, voices);
  veltro::platform::desktop::OpenAlDirectShow direct_show(decoders, sound);
  web::WebSpeechBackends speech;

  std::unique_ptr<veltro::platform::headless::ScriptPlayer> script = PageScript();
  events.SetKeySource(script.get());
  std::ostream no_log(nullptr);
  veltro::app::SpeechLog spoken(speech, events, no_log);
  spoken.on_utterance = [&script](const std::string& text) {
    web::page::Transcribe(text);
    if (script) script->Heard(text);
  };
  dialogs.on_message_box = [](const std::string& text, const std::string& title) {
    web::page::Transcribe("Message box " + title + ": " + text);
  };
  PageLogBuffer sound_log_buffer;
  std::ostream sound_log(&sound_log_buffer);

  // The sound log is kept only for a test that asks for it: a player's page would fill with it.
  veltro::app::Program program(
      veltro::platform::Platform{{events, dialogs, environment}, sound, ogg, direct_show, spoken},
      web::page::SoundLogWanted() ? &sound_log : nullptr);
  events.in_flight = [&program] { return program.Game().InFlight(); };
  const int status = program.Run();
  web::page::ProgramEnded(status);
  return status;
}
