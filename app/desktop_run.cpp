// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop_run.h"

#include <memory>

#include "game/sound_table.h"
#include "platform/audio/ogg_streams.h"
#include "platform/audio/sound_file_cache.h"
#include "platform/base/environment.h"
#include "platform/base/platform_error.h"
#include "platform/base/program_files.h"
#include "platform/decoders/audio_file.h"
#include "platform/desktop/alsoft_settings.h"
#include "platform/desktop/desktop_speech_backends.h"
#include "platform/desktop/sdl_dialogs.h"
#include "platform/desktop/sdl_event_loop.h"
#include "platform/openal/openal_sound_system.h"
#include "platform/openal/openal_streams.h"
#include "program.h"
#include "speech_log.h"
#include "window_captions.h"

namespace veltro::app {
namespace {

constexpr const char* kNoDisplayAdvice =
    "To play a script without a display, use --headless --keys SCRIPT.";
// How often the sound device is looked at for a rest.
constexpr int32_t kRestCheckMilliseconds = 2000;

}  // namespace

RunOutcome RunDesktop(const std::string& command_line, std::ostream* speech_log,
                      std::ostream* sound_log) {
  return RunDesktopWithFiles(platform::FilesFolder(platform::ExecutableFolder()), command_line,
                             speech_log, sound_log);
}

RunOutcome RunDesktopWithFiles(const std::string& files_folder, const std::string& command_line,
                               std::ostream* speech_log, std::ostream* sound_log) {
  // Before anything starts OpenAL Soft: it reads its settings once.
  platform::desktop::UseProgramAudioSettings(files_folder);
  std::unique_ptr<platform::desktop::SdlEventLoop> events;
  try {
    events = std::make_unique<platform::desktop::SdlEventLoop>();
  } catch (const platform::PlatformError& error) {
    return {1, std::string(error.what()) + "\n" + kNoDisplayAdvice};
  }
  platform::Environment environment(files_folder, command_line);
  platform::desktop::SdlDialogs dialogs(*events, environment.ProgramFolder() + "/help.html");
  // The game's sounds are read and decoded while it starts, so that no first play waits for them.
  platform::SoundFileCache sound_files;
  sound_files.Preload(environment.ProgramFolder(),
                      {std::begin(game::kSoundFiles), std::end(game::kSoundFiles)});
  platform::desktop::OpenAlSoundSystem sound;
  sound.SetSoundFileCache(&sound_files);
  platform::SndfileDecoders decoders;
  platform::desktop::OpenAlStreamVoices voices(sound);
  platform::OggStreams ogg(decoders, voices);
  platform::desktop::OpenAlDirectShow direct_show(decoders, sound);
  platform::desktop::DesktopSpeechBackends speech;
  // Everything said passes the log, which writes it down when asked to and shows it in the window.
  std::ostream no_log(nullptr);
  SpeechLog logged(speech, *events, speech_log != nullptr ? *speech_log : no_log);
  Program program(
      platform::Platform{{*events, dialogs, environment}, sound, ogg, direct_show, logged},
      sound_log);
  WindowCaptions captions(*events, program.Game());
  events->in_flight = [&program] { return program.Game().InFlight(); };
  logged.on_utterance = [&captions](const std::string& text) { captions.Said(text); };
  dialogs.on_box = [&captions](const auto& box) { captions.ShowBox(box); };
  // A sound that ends by itself leaves the sound device mixing silence until someone asks after
  // it; now and then the device is told to rest if nothing plays.
  std::unique_ptr<platform::Timer> rest = events->CreateTimer([&sound] { sound.RestIfSilent(); });
  rest->SetInterval(kRestCheckMilliseconds);
  rest->SetEnabled(true);
  return {program.Run(), ""};
}

}  // namespace veltro::app
