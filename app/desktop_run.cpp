#include "desktop_run.h"

#include <cstdlib>
#include <memory>

#include "platform/desktop/desktop_speech_backends.h"
#include "platform/desktop/openal_sound_system.h"
#include "platform/desktop/sdl_user_interface.h"
#include "platform/platform_error.h"
#include "platform/sndfile_ogg_library.h"
#include "platform/speech_log.h"
#include "program.h"

namespace veltro::app {
namespace {

constexpr const char* kNoDisplayAdvice =
    "veltro-lander needs a graphical desktop for its window and keyboard; "
    "to play a script without one, use --headless --keys SCRIPT.";

// SDL quietly falls back to an invisible window when there is no display, which would leave a
// player with a game that hears no keys. Without X11 or Wayland, only an explicit choice of
// video driver counts as a display.
bool DisplayAvailable() {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

RunOutcome RunDesktop(const std::string& command_line, std::ostream* speech_log,
                      std::ostream* sound_log) {
  if (!DisplayAvailable()) {
    return {1, std::string("no display to open a window on (neither DISPLAY nor "
                           "WAYLAND_DISPLAY is set)\n") +
                   kNoDisplayAdvice};
  }
  std::unique_ptr<platform::desktop::SdlUserInterface> ui;
  try {
    ui = std::make_unique<platform::desktop::SdlUserInterface>(command_line);
  } catch (const platform::PlatformError& error) {
    return {1, std::string(error.what()) + "\n" + kNoDisplayAdvice};
  }
  platform::desktop::OpenAlSoundSystem sound;
  platform::SndfileOggLibrary ogg;
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
  Program program(platform::Platform{*ui, sound, ogg, *backends}, sound_log);
  return {program.Run(), ""};
}

}  // namespace veltro::app
