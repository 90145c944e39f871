// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/events/keys.h"
#include "speech/speech_form.h"

namespace veltro::speech {

bool FRMTTS::SpeakCharacter(char c) {
  const CharacterRow* row = character_table_.FindCharacter(c);
  if (row == nullptr) return false;
  speak(row->SpokenForm());
  return true;
}

void FRMTTS::RepeatLastThingSpoken() {
  speak(last_thing_spoken_);
}

void FRMTTS::SpellLastThingSpoken() {
  auto capture = CaptureKeyboard();
  const std::string text = last_thing_spoken_;
  for (char c : text) {
    last_key_code_ = 0;
    StopSpeech();
    if (SpeakCharacter(c)) pauses_.WaitSeconds(0.4f);
    ui_.events.DoEvents();
    if (last_key_code_ != 0) break;
  }
  // Spelling speaks each character; the text under review stays the one to repeat.
  last_thing_spoken_ = text;
}

void FRMTTS::SpellWord(const std::string& phrase, int16_t) {
  auto capture = CaptureKeyboard();
  for (size_t i = 0; i < phrase.size(); ++i) {
    last_key_code_ = 0;
    StopSpeech();
    if (SpeakCharacter(phrase[i]) && i + 1 < phrase.size()) pauses_.WaitSeconds(0.01f);
    if (last_key_code_ != 0) break;
  }
}

std::string FRMTTS::SayCharacter(int16_t KeyCode, int16_t Shift) const {
  const CharacterRow* row = character_table_.FindKey(KeyCode, Shift);
  return row == nullptr ? std::string() : row->SpokenForm();
}

std::string FRMTTS::EditBox(const std::string& message) {
  auto capture = CaptureKeyboard();
  std::string line;
  speak(message);
  for (;;) {
    int16_t key = 0;
    while (key <= 0) {
      last_shift_ = 0;
      key = PollKey();
    }
    const int16_t shift = last_shift_;
    StopSpeech();
    if (key == keys::kReturn) return line;
    if (key == keys::kEscape) return std::string();
    if (key == keys::kBack) {
      if (line.empty()) continue;
      SpeakCharacter(line.back());
      line.pop_back();
      continue;
    }
    // Backspace aside, keys up to Alt (Tab, Shift, Control, Alt) type nothing.
    if (key <= keys::kAlt) continue;
    for (const CharacterRow& row : character_table_.Rows()) {
      if (!row.MatchesKey(key, shift)) continue;
      speak(row.SpokenForm());
      line += row.character;
    }
  }
}

}  // namespace veltro::speech
