#include "desktop_run.h"

#include <memory>

#include "platform/audio_file.h"
#include "platform/desktop/desktop_speech_backends.h"
#include "platform/desktop/openal_sound_system.h"
#include "platform/desktop/openal_streams.h"
#include "platform/desktop/sdl_user_interface.h"
#include "platform/ogg_streams.h"
#include "platform/platform_error.h"
#include "platform/speech_log.h"
#include "program.h"

namespace veltro::app {
namespace {

constexpr const char* kNoDisplayAdvice =
    "To play a script without a display, use --headless --keys SCRIPT.";

}  // namespace

RunOutcome RunDesktop(const std::string& command_line, std::ostream* speech_log,
                      std::ostream* sound_log) {
  std::unique_ptr<platform::desktop::SdlUserInterface> ui;
  try {
    ui = std::make_unique<platform::desktop::SdlUserInterface>(command_line);
  } catch (const platform::PlatformError& error) {
    return {1, std::string(error.what()) + "\n" + kNoDisplayAdvice};
  }
  platform::desktop::OpenAlSoundSystem sound;
  platform::SndfileDecoders decoders;
  platform::desktop::OpenAlStreamVoices voices(sound);
  platform::OggStreams ogg(decoders, voices);
  platform::desktop::OpenAlDirectShow direct_show(decoders, sound);
  platform::desktop::DesktopSpeechBackends speech;
  std::unique_ptr<platform::SpeechLog> logged;
  platform::SpeechBackends* backends = &speech;
  if (speech_log != nullptr) {
    logged = std::make_unique<platform::SpeechLog>(speech, *ui, *speech_log);
    backends = logged.get();
    // Whoever follows the game through the log (a braille display, a terminal) reads the boxes too.
    ui->on_message_box = [&logged](const std::string& text, const std::string& title) {
      logged->Note("message box \"" + title + "\": " + text);
    };
  }
  Program program(platform::Platform{*ui, sound, ogg, direct_show, *backends}, sound_log);
  return {program.Run(), ""};
}

}  // namespace veltro::app
