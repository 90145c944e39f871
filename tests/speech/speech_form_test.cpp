#include <gmock/gmock.h>

#include <deque>
#include <stdexcept>

#include "platform/keys.h"
#include "speech/frm_tts.h"
#include "support/fake_speech_backends.h"
#include "support/test_ui.h"

namespace veltro::speech {
namespace {

using namespace veltro::keys;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The form on fake back-ends. Its pauses serve the queue once (as the game's wait does) and note
// themselves in the log; the script's keys reach the form one per round of the queue, and a loop
// that keeps waiting after the script ran out fails the test instead of never ending.
class SpeechFormTest : public ::testing::Test, public SpeechPauses {
 protected:
  SpeechFormTest() {
    ui.on_serve = [this] {
      if (!script.empty()) {
        ui.QueueKeyDown(script.front().code, script.front().shift);
        script.pop_front();
      } else if (++idle_rounds > 2000) {
        throw std::runtime_error("a key loop is still waiting after the last key");
      }
    };
  }
  void WaitSeconds(float seconds) override {
    backends.log.push_back("wait " + std::to_string(seconds).substr(0, 4));
    ui.events.DoEvents();
  }
  // The log entries that start with `prefix`, with the prefix cut off.
  std::vector<std::string> Log(const std::string& prefix = "") const {
    std::vector<std::string> entries;
    for (const std::string& e : backends.log) {
      if (e.starts_with(prefix)) entries.push_back(e.substr(prefix.size()));
    }
    return entries;
  }
  void StartVoice() {  // back-end 3, with the log emptied
    form.TTSSetup(3);
    backends.log.clear();
  }

  testing::TestUi ui;
  testing::FakeSpeechBackends backends;
  FRMTTS form{ui.ui(), backends, *this};
  struct Key {
    int16_t code, shift = 0;
  };
  std::deque<Key> script;
  int idle_rounds = 0;
};

TEST_F(SpeechFormTest, EachTypeSpeaksOrStaysSilentAndOnlyTheVoiceTakesSystemTypeTexts) {
  form.TTSSetup(1);
  EXPECT_EQ(form.CurrentTTSType(), 1);
  form.speak("Altitude 500");
  form.speak("voice only", 1);
  form.StopSpeech();
  EXPECT_THAT(Log(), ElementsAre("create reader1", "reader1 say Altitude 500",
                                 "not spoken voice only", "reader1 stop"));
  EXPECT_EQ(form.LastThingSpoken(), "Altitude 500");

  StartVoice();
  form.speak("one");
  form.speak("voice only", 1);
  form.StopSpeech();
  EXPECT_THAT(Log(), ElementsAre("voice speak one", "voice speak voice only", "voice purge"));
  EXPECT_EQ(form.LastThingSpoken(), "voice only");
  EXPECT_THAT(ui.dialogs.boxes(), IsEmpty());

  // Type 0 is silent; other types record without speaking; the voice is made once.
  form.TTSSetup(0);
  form.speak("nothing");
  EXPECT_EQ(form.LastThingSpoken(), "voice only");
  form.TTSSetup(5);
  form.speak("recorded");
  form.StopSpeech();
  EXPECT_EQ(form.LastThingSpoken(), "recorded");
  form.TTSSetup(3);
  EXPECT_EQ(backends.voices_created, 1);
  EXPECT_EQ(Log("voice speak ").size(), 2u);
}

TEST_F(SpeechFormTest, BlankTextsAreSkippedAndATripleAsteriskPrefixIsRemoved) {
  const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
      {"", {}, "first"},
      {"    ", {}, "first"},
      {"\t", {"voice speak \t"}, "\t"},  // only blanks count as empty
      {"***", {"voice speak "}, ""},
      {"*** word ", {"voice speak  word "}, " word "},
      {"**two", {"voice speak **two"}, "**two"},
      {"****x", {"voice speak *x"}, "*x"}};
  for (const auto& [text, spoken, last] : cases) {
    SCOPED_TRACE(text);
    form.TTSSetup(3);
    form.speak("first");
    backends.log.clear();
    form.speak(text);
    EXPECT_EQ(Log(), spoken);
    EXPECT_EQ(form.LastThingSpoken(), last);
  }
}

TEST_F(SpeechFormTest, FallsBackWithOneMessageAndEndsSilentWithTwo) {
  backends.screen_reader_available = false;
  form.TTSSetup(1);
  EXPECT_EQ(form.CurrentTTSType(), 3);
  ASSERT_EQ(ui.dialogs.boxes().size(), 1u);
  EXPECT_EQ(ui.dialogs.boxes()[0].text, "Error initializing screen reader or MS SAPI.");
  EXPECT_EQ(ui.dialogs.boxes()[0].title, "Error! ");
  EXPECT_EQ(ui.dialogs.boxes()[0].icon, platform::MessageBoxIcon::kCritical);
  form.speak("hello");
  EXPECT_THAT(Log("voice speak "), ElementsAre("hello"));

  FRMTTS fresh(ui.ui(), backends, *this);
  backends.voice_available = false;
  fresh.TTSSetup(1);
  EXPECT_EQ(fresh.CurrentTTSType(), 0);
  EXPECT_EQ(ui.dialogs.boxes().size(), 3u);
  fresh.speak("lost");  // into no back-end at all
  fresh.RepeatLastThingSpoken();
  EXPECT_EQ(fresh.LastThingSpoken(), "");
}

TEST_F(SpeechFormTest, AScreenReaderLostInPlayGivesWayToTheVoiceWhichSaysSoOnce) {
  const std::string notice = "voice speak " + std::string(FRMTTS::kScreenReaderLost);
  form.TTSSetup(1);
  form.speak("kept");
  backends.screen_reader_calls_fail = true;
  form.speak("rescued");
  form.speak("next");
  EXPECT_EQ(form.CurrentTTSType(), 3);
  EXPECT_THAT(Log(), ElementsAre("create reader1", "reader1 say kept", notice,
                                 "voice speak rescued", "voice speak next"));
  EXPECT_EQ(form.LastThingSpoken(), "next");
  EXPECT_THAT(ui.dialogs.boxes(), IsEmpty());

  // Control-1 tries the screen reader again; a stop is where the next loss shows.
  backends.screen_reader_calls_fail = false;
  form.TTSSetup(1);
  backends.screen_reader_calls_fail = true;
  backends.log.clear();
  form.StopSpeech();
  form.speak("after the stop");
  EXPECT_THAT(Log(), ElementsAre(notice, "voice speak after the stop"));

  // With no voice to take over the program goes on silently; every text is still reported.
  FRMTTS mute(ui.ui(), backends, *this);
  backends.voice_available = backends.screen_reader_calls_fail = false;
  mute.TTSSetup(1);
  backends.screen_reader_calls_fail = true;
  backends.log.clear();
  EXPECT_NO_THROW(mute.speak("unheard"));
  mute.speak("voice only", 1);
  EXPECT_EQ(mute.CurrentTTSType(), 0);
  EXPECT_THAT(Log(), ElementsAre("not spoken unheard", "not spoken voice only"));
  EXPECT_NO_THROW(mute.StopSpeakingAll());
}

TEST_F(SpeechFormTest, AdjustVoiceWalksTheListAndStopsAtItsEnd) {
  StartVoice();
  // Down: voice 0; K, L: voices 1 and 2; Right: index 3 fails; Down: refused from then on;
  // Up: back to the last voice of the list.
  script = {{kDown}, {Letter('K')}, {Letter('L')}, {kRight}, {kDown}, {kUp}, {kReturn}};
  int16_t voice = 99;
  form.AdjustVoice(voice);
  EXPECT_EQ(voice, 2);
  EXPECT_THAT(Log("voice voice "), ElementsAre("Alpha", "Bravo", "Charlie", "Charlie"));
  EXPECT_EQ(Log("voice speak Here is the current voice").size(), 4u);
  EXPECT_EQ(Log("voice speak ").front(), "Use the arrows  to select voice. Press Enter when done.");
  EXPECT_EQ(ui.events.key_target(), nullptr);

  // Another key first tries index -1, which locks the arrows.
  script = {{Letter('X')}, {kDown}, {kUp}, {kEscape}};
  backends.log.clear();
  form.AdjustVoice(voice = 0);
  EXPECT_EQ(voice, -1);
  EXPECT_THAT(Log("voice voice"), IsEmpty());

  backends.voice_names.clear();
  script = {{kDown}};
  form.AdjustVoice(voice);
  EXPECT_EQ(voice, 0);
  ASSERT_EQ(ui.dialogs.boxes().size(), 1u);
  EXPECT_EQ(ui.dialogs.boxes()[0].text, "No MS SAPI Voices were found.");
}

TEST_F(SpeechFormTest, AdjustRateAndVolumeKeepToTheirRangesAndGiveTheKeyboardBack) {
  backends.rate = 20;
  StartVoice();
  script = {{kUp}, {Letter('I')}, {Letter('L')}, {kEscape}};
  int16_t rate = 0;
  form.AdjustRate(rate);
  EXPECT_EQ(rate, 21);
  backends.rate = -9;
  script = {{kDown}, {Letter('K')}, {Letter('Q')}, {kReturn}};
  form.AdjustRate(rate);
  EXPECT_EQ(rate, -10);
  // Another key applies and announces the same rate again.
  EXPECT_THAT(Log("voice rate "), ElementsAre("21", "-10", "-10"));
  EXPECT_EQ(Log("voice speak Here is the new rate.").size(), 3u);
  form.AdjustRate2(40, rate);
  EXPECT_EQ(rate, 21);
  form.AdjustRate2(-32768, rate);
  form.AdjustRate2(3, rate);
  EXPECT_EQ(backends.rate, -7);

  // A volume off the steps of five is kept but not applied.
  backends.volume = 97;
  script = {{kUp}, {kRight}, {kDown}, {kUp}, {kReturn}};
  int16_t volume = 0;
  form.AdjustVolume(volume);
  EXPECT_EQ(volume, 102);
  backends.volume = 0;
  script = {{kDown}, {Letter('J')}, {kUp}, {kEscape}};
  form.AdjustVolume(volume);
  EXPECT_EQ(volume, 5);
  EXPECT_THAT(Log("voice volume "), ElementsAre("97", "5"));

  FRMTTS game(ui.ui(), backends, *this);  // any other window that has the keyboard
  ui.events.SetKeyTarget(&game);
  EXPECT_THROW(form.AdjustRate(rate), std::runtime_error);  // no key ever comes
  EXPECT_EQ(ui.events.key_target(), &game);
}

TEST_F(SpeechFormTest, SetSapiValuesSetsSlotOneAndStopsQuietlyAtTheFirstFailure) {
  EXPECT_NO_THROW(form.SetSapiValues(0, 0, 0, 0));  // no voice yet at all
  StartVoice();
  int16_t choice = -5;
  form.SetSapiValues(2, 3, 40, 1, choice);
  EXPECT_EQ(choice, 1);
  EXPECT_THAT(Log(), ElementsAre("voice voice Charlie", "voice rate 3", "voice volume 40",
                                 "voice priority 1"));
  backends.log.clear();
  // Other slots were never made: the voice list is read from slot 1, then the assignment fails.
  for (int16_t other : {0, 2, 7}) {
    choice = other;
    EXPECT_NO_THROW(form.SetSapiValues(1, 1, 1, 1, choice));
    EXPECT_EQ(choice, other);
  }
  EXPECT_THAT(Log(), IsEmpty());
  // A volume the voice refuses leaves the voice and rate set before it.
  EXPECT_NO_THROW(form.SetSapiValues(1, 5, 150, 2));
  EXPECT_THAT(Log(), ElementsAre("voice voice Bravo", "voice rate 5"));
}

TEST_F(SpeechFormTest, SayCharacterNamesTheKeyWithoutSpeaking) {
  StartVoice();
  const std::tuple<int16_t, int16_t, std::string> cases[] = {
      {65, 0, "A"},  {65, 1, "a"}, {188, 1, "less"}, {188, 2, ""},        {57, 1, "left parren"},
      {191, 0, "/"}, {kF1, 0, ""}, {65, 3, ""},      {kComma, 0, "comma"}};
  for (const auto& [key, shift, name] : cases) {
    EXPECT_EQ(form.SayCharacter(key, shift), name) << key << " " << shift;
  }
  EXPECT_THAT(Log(), IsEmpty());
  CharacterTable table;  // every character is typed by exactly one key
  for (const CharacterRow& row : table.Rows()) {
    EXPECT_TRUE(row.character.empty() || table.FindCharacter(row.character[0]) == &row)
        << row.character;
  }
}

TEST_F(SpeechFormTest, SpellingPausesAfterEachCharacterAndStopsAtAKey) {
  StartVoice();
  form.speak("Q: 42");
  form.SpellLastThingSpoken();
  EXPECT_THAT(Log("voice speak "), ElementsAre("Q: 42", "Q", "colan", "space", "4", "2"));
  EXPECT_EQ(Log("wait 0.4").size(), 5u);
  EXPECT_EQ(Log("voice purge").size(), 5u);
  EXPECT_EQ(form.LastThingSpoken(), "Q: 42");
  backends.log.clear();
  form.RepeatLastThingSpoken();
  EXPECT_THAT(Log("voice speak "), ElementsAre("Q: 42"));

  form.speak("abcdef");
  backends.log.clear();
  script = {{0}, {0}, {kSpace}};  // the key arrives during the second pause
  form.SpellLastThingSpoken();
  EXPECT_THAT(Log("voice speak "), ElementsAre("a", "b"));
  EXPECT_EQ(ui.events.key_target(), nullptr);

  // Unknown characters are skipped; no pause at the very end of the phrase.
  backends.log.clear();
  form.SpellWord("a\tb\xC3\xA9");
  EXPECT_THAT(Log("voice speak "), ElementsAre("a", "b"));
  EXPECT_EQ(Log("wait").size(), 2u);
  EXPECT_EQ(form.LastThingSpoken(), "b");
  backends.log.clear();
  form.SpellWord("xy");
  EXPECT_EQ(Log("wait").size(), 1u);
}

TEST_F(SpeechFormTest, EditBoxEchoesTypingAndBackspaceAndEscapeDiscards) {
  StartVoice();
  // clang-format off
  script = {{kBack}, {Digit(9), kShiftMask}, {kBack}, {Letter('H')}, {Letter('I'), kShiftMask},
            {kTab}, {kShift}, {kControl}, {kAlt}, {kF1}, {Letter('X'), kControlMask}, {kComma},
            {kReturn}};
  // clang-format on
  EXPECT_EQ(form.EditBox("Name?"), "Hi,");
  EXPECT_THAT(Log("voice speak "),
              ElementsAre("Name?", "left parren", "left parren", "H", "i", "comma"));
  EXPECT_EQ(ui.events.key_target(), nullptr);
  script = {{Letter('A')}, {Letter('B')}, {kEscape}};
  EXPECT_EQ(form.EditBox("Type"), "");
}

}  // namespace
}  // namespace veltro::speech
