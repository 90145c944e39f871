// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The calls the browser edition makes into its page (veltro-page.js): every piece of JavaScript
// the program runs is behind these functions.
namespace veltro::platform::web::page {

// The screen reader: the page's live region. What is said in one turn of the program's loop
// reaches it as one update, in order.
void Say(const std::string& text);
// A text that no voice could take: said through the live region, after a notice the first time.
void SayUnspoken(const std::string& text);
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

// Whether whoever drives the page (a test) asked for the sound log; and one line of it.
bool SoundLogWanted();
void LogSound(const std::string& line);

// Tells the page that the program has ended.
void ProgramEnded(int status);

// Waits until the player presses or releases a key, or `milliseconds` have passed.
void WaitForKey(int milliseconds);
// Waits without serving anything, letting the browser run; `milliseconds` may be 0.
void Sleep(int milliseconds);
// Milliseconds on the browser's monotonic clock.
double NowMilliseconds();

}  // namespace veltro::platform::web::page
