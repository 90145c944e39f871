// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltro::speech {

// One key of a US keyboard, the character it types and the word spoken for it.
struct CharacterRow {
  int16_t key_code = 0;  // virtual-key code, plus 1000 when the character needs Shift
  std::string character;
  std::string name;  // empty: the character itself is spoken

  const std::string& SpokenForm() const { return name.empty() ? character : name; }
  // Shift alone selects the rows of shifted characters; Control or Alt select none.
  bool MatchesKey(int16_t KeyCode, int16_t Shift) const;
};

// The 96 rows that tie keys to characters and characters to their spoken words, in their fixed
// order: the first match in row order wins.
class CharacterTable {
 public:
  CharacterTable();

  static constexpr int kRows = 96;
  // Row 1 to 96.
  const CharacterRow& Row(int number) const { return rows_.at(number - 1); }
  const std::vector<CharacterRow>& Rows() const { return rows_; }

  // The first row that types exactly this character (capital and small letters differ).
  const CharacterRow* FindCharacter(char c) const;
  // The first row that this key with these modifiers types.
  const CharacterRow* FindKey(int16_t KeyCode, int16_t Shift) const;

 private:
  std::vector<CharacterRow> rows_;
};

}  // namespace veltro::speech
