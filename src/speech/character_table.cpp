// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/character_table.h"

namespace veltro::speech {

bool CharacterRow::MatchesKey(int16_t KeyCode, int16_t Shift) const {
  if (Shift == 0) return key_code == KeyCode;
  return Shift == 1 && key_code - 1000 == KeyCode;
}

CharacterTable::CharacterTable() {
  rows_.reserve(kRows);
  // A letter key types the capital without Shift and the small letter with it.
  for (int k = 1; k <= 26; ++k) {
    rows_.push_back(
        {static_cast<int16_t>(64 + k), std::string(1, static_cast<char>('A' + k - 1)), ""});
    rows_.push_back(
        {static_cast<int16_t>(1064 + k), std::string(1, static_cast<char>('a' + k - 1)), ""});
  }
  for (int d = 0; d <= 9; ++d) {
    rows_.push_back({static_cast<int16_t>(48 + d), std::string(1, static_cast<char>('0' + d)), ""});
  }
  const CharacterRow punctuation[] = {
      {188, ",", "comma"},
      {190, ".", "period"},
      {191, "/", ""},
      {1188, "<", "less"},
      {1190, ">", "greater"},
      {1191, "?", "question"},
      {1049, "!", "exclaim"},
      {1050, "@", ""},
      {1051, "#", ""},
      {1052, "$", ""},
      {1053, "%", ""},
      {1054, "^", ""},
      {1055, "&", ""},
      {1056, "*", ""},
      {1057, "(", "left parren"},
      {1048, ")", "right parren"},
      {1189, "_", ""},
      {1187, "+", ""},
      {0, "", ""},  // an unused row
      {192, "`", ""},
      {1192, "~", ""},
      {189, "-", "dash"},
      {187, "=", ""},
      {186, ";", "semi colan"},
      {222, "'", "apostrophe"},
      {1186, ":", "colan"},
      {1222, "\"", "quote"},
      {219, "[", "left bracket"},
      {221, "]", "right bracket"},
      {1219, "{", "left brace"},
      {1221, "}", "right brace"},
      {32, " ", "space"},
      {220, "\\", "back slash"},
      {1220, "|", "vertical bar"},
  };
  for (const CharacterRow& row : punctuation) rows_.push_back(row);
}

const CharacterRow* CharacterTable::FindCharacter(char c) const {
  for (const CharacterRow& row : rows_) {
    if (row.character.size() == 1 && row.character[0] == c) return &row;
  }
  return nullptr;
}

const CharacterRow* CharacterTable::FindKey(int16_t KeyCode, int16_t Shift) const {
  for (const CharacterRow& row : rows_) {
    if (row.MatchesKey(KeyCode, Shift)) return &row;
  }
  return nullptr;
}

}  // namespace veltro::speech
