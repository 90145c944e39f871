// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>

#include <deque>
#include <stdexcept>

#include "platform/events/keys.h"
#include "platform/headless/recording_speech.h"
#include "speech/speech_form.h"
#include "support/test_ui.h"

namespace veltro::speech {
namespace {

using namespace veltro::keys;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using platform::headless::RecordingSpeechBackends;

// The headless back-ends, keeping what the form reports as not spoken.
struct Backends : RecordingSpeechBackends {
  void NotSpoken(const std::string& text) override { not_spoken.push_back(text); }
  std::vector<std::string> not_spoken;
};

// The form on the headless back-ends. Its pauses serve the queue once (as the game's wait does)
// and are noted; a key loop still waiting after two seconds fails the test instead of never ending.
class SpeechFormTest : public ::testing::Test, public SpeechPauses {
 protected:
  SpeechFormTest() {
    speech.highest_rate = platform::kHighestRate;
    ui.give_up_at = 2;
  }
  void WaitSeconds(float seconds) override {
    waits.push_back(seconds);
    ui.events.DoEvents();
  }
  // What the back-ends were asked ("reader say X", "reader stop", "voice speak X", "voice purge")
  // that starts with `prefix`, with the prefix cut off.
  std::vector<std::string> Log(const std::string& prefix = "") const {
    std::vector<std::string> entries;
    for (const auto& r : speech.records) {
      const bool reader = r.backend == RecordingSpeechBackends::Record::Backend::kScreenReader;
      std::string e = reader ? (r.stop ? "reader stop" : "reader say " + r.text)
                             : (r.stop ? "voice purge" : "voice speak " + r.text);
      if (e.starts_with(prefix)) entries.push_back(e.substr(prefix.size()));
    }
    return entries;
  }
  void StartVoice() {  // back-end 3, with the logs emptied
    form.TTSSetup(3);
    Clear();
  }
  void Clear() { speech.records.clear(), waits.clear(); }

  testing::TestUi ui;
  Backends backends;
  RecordingSpeechBackends::State& speech = backends.state();
  FRMTTS form{ui.ui(), backends, *this};
  std::deque<testing::TestUi::Key>& script = ui.script;
  std::vector<float> waits;
};

TEST_F(SpeechFormTest, EachTypeSpeaksOrStaysSilentAndOnlyTheVoiceTakesSystemTypeTexts) {
  // Each type given a text, a text for the voice alone and a stop: what the back-ends were asked,
  // what was reported as not spoken and the text to repeat. Type 0 is silent; others record only.
  using Type = std::tuple<int16_t, std::vector<std::string>, std::vector<std::string>, std::string>;
  const Type types[] = {
      {1, {"reader say one", "reader stop"}, {"voice only"}, "one"},
      {3, {"voice speak one", "voice speak voice only", "voice purge"}, {}, "voice only"},
      {0, {}, {"one", "voice only"}, "voice only"},
      {5, {}, {"one", "voice only"}, "one"}};
  for (const auto& [type, asked, not_spoken, last] : types) {
    SCOPED_TRACE(type);
    form.TTSSetup(type);
    Clear(), backends.not_spoken.clear();
    form.speak("one");
    form.speak("voice only", 1);
    form.StopSpeech();
    EXPECT_EQ(form.CurrentTTSType(), type);
    EXPECT_EQ(Log(), asked);
    EXPECT_EQ(backends.not_spoken, not_spoken);
    EXPECT_EQ(form.LastThingSpoken(), last);
  }
  form.TTSSetup(3);
  EXPECT_EQ(speech.voices_created, 1);  // made once
  EXPECT_THAT(ui.dialogs.boxes(), IsEmpty());

  // Switching silences what the back-end left behind still has queued.
  Clear();
  form.TTSSetup(1);
  form.TTSSetup(3);
  EXPECT_THAT(Log(), ElementsAre("voice purge", "reader stop"));

  // Blank texts are skipped; a leading "***" is removed.
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
    speech.records.clear();
    form.speak(text);
    EXPECT_EQ(Log(), spoken);
    EXPECT_EQ(form.LastThingSpoken(), last);
  }
}

TEST_F(SpeechFormTest, FallsBackWithOneMessageAndEndsSilentWithTwo) {
  speech.fail_screen_reader_creation = true;
  form.TTSSetup(1);
  EXPECT_EQ(form.CurrentTTSType(), 3);
  ASSERT_EQ(ui.dialogs.boxes().size(), 1u);
  EXPECT_EQ(ui.dialogs.boxes()[0].text, "Error initializing screen reader or MS SAPI.");
  EXPECT_EQ(ui.dialogs.boxes()[0].title, "Error! ");
  EXPECT_EQ(ui.dialogs.boxes()[0].icon, platform::MessageBoxIcon::kCritical);
  form.speak("hello");
  EXPECT_THAT(Log("voice speak "), ElementsAre("hello"));

  FRMTTS fresh(ui.ui(), backends, *this);
  speech.fail_voice_creation = true;
  fresh.TTSSetup(1);
  EXPECT_EQ(fresh.CurrentTTSType(), 0);
  EXPECT_EQ(ui.dialogs.boxes().size(), 3u);
  fresh.speak("lost");  // into no back-end at all
  fresh.RepeatLastThingSpoken();
  EXPECT_EQ(fresh.LastThingSpoken(), "");

  // Control-1 in flight with the voice speaking: a mark while the box is open falls back by
  // itself; the voice still speaks after the box, and has said why once.
  speech.fail_voice_creation = false;
  form.TTSSetup(3);
  ui.dialogs.while_open = [&] { form.speak("Altitude 300"); };
  speech.records.clear();
  form.TTSSetup(1);
  form.speak("after the box");
  EXPECT_THAT(Log("voice speak "),
              ElementsAre(FRMTTS::kScreenReaderLost, "Altitude 300", "after the box"));
}

TEST_F(SpeechFormTest, AScreenReaderLostInPlayGivesWayToTheVoiceWhichSaysSoOnce) {
  const std::string notice = "voice speak " + std::string(FRMTTS::kScreenReaderLost);
  form.TTSSetup(1);
  form.speak("kept");
  speech.fail_screen_reader_calls = true;
  form.speak("rescued");
  form.speak("next");
  EXPECT_EQ(form.CurrentTTSType(), 3);
  EXPECT_THAT(Log(),
              ElementsAre("reader say kept", notice, "voice speak rescued", "voice speak next"));
  EXPECT_EQ(form.LastThingSpoken(), "next");
  EXPECT_THAT(ui.dialogs.boxes(), IsEmpty());

  // Control-1 tries the screen reader again; a stop is where the next loss shows.
  speech.fail_screen_reader_calls = false;
  form.TTSSetup(1);
  speech.fail_screen_reader_calls = true;
  speech.records.clear();
  form.StopSpeech();
  form.speak("after the stop");
  EXPECT_THAT(Log(), ElementsAre(notice, "voice speak after the stop"));

  // With no voice to take over the program goes on silently; why, and every text, is reported.
  FRMTTS mute(ui.ui(), backends, *this);
  speech.fail_voice_creation = true, speech.fail_screen_reader_calls = false;
  mute.TTSSetup(1);
  speech.fail_screen_reader_calls = true;
  speech.records.clear();
  EXPECT_NO_THROW(mute.speak("unheard"));
  mute.speak("voice only", 1);
  EXPECT_EQ(mute.CurrentTTSType(), 0);
  EXPECT_THAT(Log(), IsEmpty());
  EXPECT_THAT(backends.not_spoken, ElementsAre(FRMTTS::kSpeechLost, "unheard", "voice only"));
  EXPECT_NO_THROW(mute.StopSpeakingAll());
}

TEST_F(SpeechFormTest, AdjustVoiceWalksTheListAndStopsAtItsEndAndEditBoxEchoesTyping) {
  StartVoice();
  // Down: voice 0; Up: refused at the start; K: voice 1; Right: index 2 fails; Down: refused from
  // then on; Up: back to the last voice of the list.
  script = {{kDown}, {kUp}, {Letter('K')}, {kRight}, {kDown}, {kUp}, {kReturn}};
  int16_t voice = 99;
  form.AdjustVoice(voice);
  EXPECT_EQ(voice, 1);
  EXPECT_EQ(speech.voice, "Veltro Voice Two");
  EXPECT_EQ(Log("voice speak Here is the current voice").size(), 3u);
  EXPECT_EQ(Log("voice speak ").front(), "Use the arrows  to select voice. Press Enter when done.");
  EXPECT_EQ(ui.events.key_target(), nullptr);

  // Another key first tries index -1, which locks the arrows.
  script = {{Letter('X')}, {kDown}, {kUp}, {kEscape}};
  Clear();
  form.AdjustVoice(voice = 0);
  EXPECT_EQ(voice, -1);
  EXPECT_EQ(Log("voice speak Here"), std::vector<std::string>{});

  // The edit box echoes typing and Backspace; Escape discards.
  Clear();
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

  speech.fail_voice_calls = true;  // no voice at all
  script = {{kDown}};
  form.AdjustVoice(voice);
  EXPECT_EQ(voice, 0);
  ASSERT_EQ(ui.dialogs.boxes().size(), 1u);
  EXPECT_EQ(ui.dialogs.boxes()[0].text, "No MS SAPI Voices were found.");
}

TEST_F(SpeechFormTest, SetSapiValuesAndTheRateAndVolumeKeysKeepTheVoiceInRange) {
  EXPECT_NO_THROW(form.SetSapiValues(0, 0, 0, 0));  // no voice yet at all
  StartVoice();
  int16_t choice = -5;
  auto settings = [&] {
    return std::tuple(speech.voice, speech.rate, speech.volume, speech.priority);
  };
  form.SetSapiValues(1, 3, 40, 1, choice);
  EXPECT_EQ(choice, 1);
  EXPECT_EQ(settings(), std::tuple("Veltro Voice Two", 3, 40, 1));
  // Other slots were never made: the voice list is read from slot 1, then the assignment fails.
  for (int16_t other : {0, 2, 7}) {
    choice = other;
    EXPECT_NO_THROW(form.SetSapiValues(1, 1, 1, 1, choice));
    EXPECT_EQ(choice, other);
  }
  EXPECT_EQ(settings(), std::tuple("Veltro Voice Two", 3, 40, 1));
  // A volume the voice refuses leaves the voice and rate set before it.
  EXPECT_NO_THROW(form.SetSapiValues(0, 5, 150, 2));
  EXPECT_EQ(settings(), std::tuple("Veltro Voice One", 5, 40, 1));

  // The arrows step the rate by 1 and the volume by 5, silently no further than their ends, each
  // step applied after a stop and announced; any other key announces the same value again. A
  // volume off the steps of five is kept but not applied (the voice would refuse it).
  // The volume (or the rate), its start, the keys; the value reached, the voice's, announcements.
  const std::tuple<bool, int32_t, std::deque<testing::TestUi::Key>, int, int, size_t> cases[] = {
      {false, 19, {{kUp}, {Letter('I')}, {kRight}, {kEscape}}, 21, 21, 2},
      {false, -8, {{kDown}, {Letter('K')}, {Letter('J')}, {Letter('Q')}, {kReturn}}, -10, -10, 3},
      {true, 10, {{Letter('J')}, {kLeft}, {kDown}, {Letter('L')}, {kReturn}}, 5, 5, 3},
      {true, 97, {{kUp}, {kRight}, {kDown}, {Letter('I')}, {kReturn}}, 102, 97, 1},
      {true, 95, {{kUp}, {kEscape}}, 100, 100, 1}};
  int16_t rate = 0;
  for (const auto& [volume, start, keys, reached, held, announced] : cases) {
    const std::string what = volume ? "volume" : "rate";
    SCOPED_TRACE(what + " from " + std::to_string(start));
    int32_t& setting = volume ? speech.volume : speech.rate;
    setting = start;
    script = keys;
    Clear();
    int16_t current = 0;
    volume ? form.AdjustVolume(current) : form.AdjustRate(current);
    EXPECT_EQ(std::pair(int{current}, setting), std::pair(reached, held));
    std::vector<std::string> said{"Use the arrows to adjust " + what + ". Press Enter when done."};
    said.resize(announced + 1, "Here is the new " + what + ".");
    EXPECT_EQ(Log("voice speak "), said);
    EXPECT_EQ(Log("voice purge").size(), announced);
  }
  for (auto [jump, reached] : {std::pair<int16_t, int>{40, 21}, {-32768, -10}, {3, -7}}) {
    form.AdjustRate2(jump, rate);
    EXPECT_EQ(std::pair(int{rate}, speech.rate), std::pair(reached, reached)) << jump;
  }

  FRMTTS game(ui.ui(), backends, *this);  // any other window that has the keyboard
  ui.events.SetKeyTarget(&game);
  EXPECT_THROW(form.AdjustRate(rate), std::runtime_error);  // no key ever comes
  EXPECT_EQ(ui.events.key_target(), &game);
}

TEST_F(SpeechFormTest, SayCharacterNamesTheKeySilentlySpellingPausesAfterEachAndStopsAtAKey) {
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

  // A phrase spelled as the last thing said (or as a word), with the keys pressed meanwhile: what
  // is said, the stops, the pause after each character said (none at the very end of a word) and
  // the text to repeat afterwards. Unknown characters are skipped; a key ends the spelling.
  using Spelling = std::tuple<std::string, bool, std::deque<testing::TestUi::Key>,
                              std::vector<std::string>, size_t, size_t, float, std::string>;
  const Spelling spellings[] = {
      {"Q: 4\t2", false, {}, {"Q", "colan", "space", "4", "2"}, 6, 5, .4f, "Q: 4\t2"},
      {"abcdef", false, {{0}, {0}, {kSpace}}, {"a", "b"}, 2, 2, .4f, "abcdef"},
      {"a\tb\xC3\xA9", true, {}, {"a", "b"}, 5, 2, .01f, "b"},
      {"xy", true, {}, {"x", "y"}, 2, 1, .01f, "y"}};
  for (const auto& [phrase, word, keys, spelled, stops, pauses, pause, last] : spellings) {
    SCOPED_TRACE(phrase);
    form.speak(phrase);
    Clear();
    script = keys;
    word ? form.SpellWord(phrase) : form.SpellLastThingSpoken();
    EXPECT_EQ(Log("voice speak "), spelled);
    EXPECT_EQ(Log("voice purge").size(), stops);
    EXPECT_EQ(waits, std::vector<float>(pauses, pause));
    EXPECT_EQ(form.LastThingSpoken(), last);
    EXPECT_EQ(ui.events.key_target(), nullptr);
  }
  Clear();
  form.RepeatLastThingSpoken();
  EXPECT_THAT(Log("voice speak "), ElementsAre("y"));
}

}  // namespace
}  // namespace veltro::speech
