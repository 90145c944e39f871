#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The calls the browser edition makes into its page (veltro-page.js): every piece of JavaScript
// the program runs is behind these functions.
namespace veltro::platform::web::page {

// The screen reader: the page's live region.
void Say(const std::string& text, bool interrupt);
void StopSaying();
// The transcript of everything spoken, for sighted helpers.
void Transcribe(const std::string& text);

// The browser's own voice (speechSynthesis). `rate` is a multiple of the voice's normal pace,
// `volume` 0 to 1; an empty `voice_name` keeps the browser's default voice.
bool VoiceAvailable();
std::vector<std::string> VoiceNames();
void VoiceSpeak(const std::string& text, double rate, double volume, const std::string& voice_name);
void VoicePurge();

// A key press or release the player made on the page.
struct KeyEvent {
  bool down = true;
  bool repeat = false;
  int16_t code = 0;
  int16_t shift = 0;
};
std::optional<KeyEvent> TakeKey();

// Whether a flight runs: a gamepad's south button then fires the thrusters instead of choosing.
void SetInFlight(bool in_flight);

// The title of the game's window is the page's.
void SetTitle(const std::string& title);

// Shows the modal dialog and waits (the program sleeps meanwhile) until it is answered; true for
// OK, false for Cancel.
bool MessageBox(const std::string& text, const std::string& title, bool with_cancel);
void OpenHelp();

// What the page starts the program with: the game's command-line text, and a key script.
std::string CommandLine();
std::string Script();

// One line of the sound log, which the page keeps for whoever tests it.
void LogSound(const std::string& line);

// Tells the page that the program has ended.
void ProgramEnded(int status);

// Waits without serving anything, letting the browser run; `milliseconds` may be 0.
void Sleep(int milliseconds);
// Milliseconds on the browser's monotonic clock.
double NowMilliseconds();

}  // namespace veltro::platform::web::page
