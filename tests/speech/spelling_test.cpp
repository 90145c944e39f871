#include <gmock/gmock.h>

#include "platform/keys.h"
#include "speech_form_fixture.h"

namespace veltro::speech {
namespace {

using namespace veltro::keys;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(CharacterTableTest, RowsFollowTheKeyboard) {
  CharacterTable table;
  ASSERT_EQ(table.Rows().size(), 96u);
  EXPECT_EQ(table.Row(1).key_code, 65);
  EXPECT_EQ(table.Row(1).character, "A");
  EXPECT_EQ(table.Row(52).key_code, 1090);
  EXPECT_EQ(table.Row(52).character, "z");
  EXPECT_EQ(table.Row(53).character, "0");
  EXPECT_EQ(table.Row(62).key_code, 57);
  EXPECT_EQ(table.Row(63).SpokenForm(), "comma");
  EXPECT_EQ(table.Row(81).key_code, 0);
  EXPECT_EQ(table.Row(81).character, "");
  EXPECT_EQ(table.Row(89).character, "\"");
  EXPECT_EQ(table.Row(96).SpokenForm(), "vertical bar");
  // Every character is typed by exactly one key.
  for (const CharacterRow& row : table.Rows()) {
    if (row.character.empty()) continue;
    EXPECT_EQ(table.FindCharacter(row.character[0]), &row) << row.character;
  }
}

TEST_F(SpeechFormTest, SayCharacterNamesTheKeyWithoutSpeaking) {
  StartVoice();
  EXPECT_EQ(form.SayCharacter(65, 0), "A");
  EXPECT_EQ(form.SayCharacter(65, 1), "a");
  EXPECT_EQ(form.SayCharacter(188, 1), "less");
  EXPECT_EQ(form.SayCharacter(188, 2), "");
  EXPECT_EQ(form.SayCharacter(57, 1), "left parren");
  EXPECT_EQ(form.SayCharacter(191, 0), "/");
  EXPECT_EQ(form.SayCharacter(kF1, 0), "");
  EXPECT_EQ(form.SayCharacter(65, 3), "");
  EXPECT_THAT(backends.log, IsEmpty());
}

TEST_F(SpeechFormTest, SpellLastThingSpokenSpellsWithPausesAndKeepsTheText) {
  StartVoice();
  form.speak("Q: 42");
  backends.log.clear();
  form.SpellLastThingSpoken();
  EXPECT_THAT(Log("voice speak"),
              ElementsAre("voice speak Q", "voice speak colan", "voice speak space",
                          "voice speak 4", "voice speak 2"));
  EXPECT_EQ(Log("wait 0.4").size(), 5u);
  EXPECT_EQ(Log("voice purge").size(), 5u);
  EXPECT_EQ(form.LastThingSpoken(), "Q: 42");
  backends.log.clear();
  form.RepeatLastThingSpoken();
  EXPECT_THAT(backends.log, ElementsAre("voice speak Q: 42"));
}

TEST_F(SpeechFormTest, SpellingStopsAtAKeyAndGivesTheKeyboardBack) {
  StartVoice();
  form.speak("abcdef");
  backends.log.clear();
  // The key arrives during the second pause.
  script = {{0}, {0}, {kSpace}};
  form.SpellLastThingSpoken();
  EXPECT_THAT(Log("voice speak"), ElementsAre("voice speak a", "voice speak b"));
  EXPECT_EQ(ui.key_target(), nullptr);
}

TEST_F(SpeechFormTest, SpellWordSkipsUnknownCharactersAndLeavesTheLastSpelled) {
  StartVoice();
  form.SpellWord("a\tb\xC3\xA9");
  EXPECT_THAT(Log("voice speak"), ElementsAre("voice speak a", "voice speak b"));
  // Each spelled character pauses, except at the very end of the phrase.
  EXPECT_EQ(Log("wait").size(), 2u);
  EXPECT_EQ(form.LastThingSpoken(), "b");

  backends.log.clear();
  form.SpellWord("xy");
  EXPECT_EQ(Log("wait").size(), 1u);
  script = {{kEscape}};
  backends.log.clear();
  form.SpellWord("mno");
  EXPECT_THAT(Log("voice speak"), ElementsAre("voice speak m"));
}

TEST_F(SpeechFormTest, EditBoxEchoesTypingAndBackspace) {
  StartVoice();
  Keys({{kBack},
        {Digit(9), kShiftMask},
        {kBack},
        {Letter('H')},
        {Letter('I'), kShiftMask},
        {kTab},
        {kShift},
        {kControl},
        {kAlt},
        {kF1},
        {Letter('X'), kControlMask},
        {kComma},
        {kReturn}});
  EXPECT_EQ(form.EditBox("Name?"), "Hi,");
  EXPECT_THAT(Log("voice speak"),
              ElementsAre("voice speak Name?", "voice speak left parren", "voice speak left parren",
                          "voice speak H", "voice speak i", "voice speak comma"));
  EXPECT_EQ(ui.key_target(), nullptr);
}

TEST_F(SpeechFormTest, EditBoxEscapeDiscardsTheLine) {
  StartVoice();
  Keys({{Letter('A')}, {Letter('B')}, {kEscape}});
  EXPECT_EQ(form.EditBox("Type"), "");
}

}  // namespace
}  // namespace veltro::speech
