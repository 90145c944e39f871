#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform_error.h"
#include "speech/frm_tts.h"
#include "speech/ports.h"
#include "support/fake_speech_backends.h"
#include "support/fake_ui.h"

namespace veltro::speech {

// Pauses that serve the queue once (as the game's wait does) and note themselves in the log.
class LoggedPauses : public SpeechPauses {
 public:
  LoggedPauses(testing::FakeUi& ui, std::vector<std::string>& log) : ui_(ui), log_(log) {}
  void WaitSeconds(float seconds) override {
    log_.push_back("wait " + std::to_string(seconds).substr(0, 4));
    ui_.DoEvents();
  }

 private:
  testing::FakeUi& ui_;
  std::vector<std::string>& log_;
};

class SpeechFormTest : public ::testing::Test {
 protected:
  struct Key {
    int16_t code, shift = 0;
  };

  SpeechFormTest() {
    // Keys of the script reach the form one per round of the queue; a loop that keeps waiting
    // after the script ran out would never end, so it fails the test instead.
    ui.on_do_events = [this] {
      if (!script.empty()) {
        ui.QueueKeyDown(script.front().code, script.front().shift);
        script.pop_front();
      } else if (++idle_rounds > 2000) {
        throw std::runtime_error("a key loop is still waiting after the last key");
      }
    };
  }

  void Keys(std::initializer_list<Key> keys) {
    for (const Key& key : keys) script.push_back(key);
  }
  std::vector<std::string> Log(const std::string& prefix = "") const {
    return backends.LogOf(prefix);
  }
  // The form with back-end 3 (the voice) started and the log emptied.
  void StartVoice() {
    form.TTSSetup(3);
    backends.log.clear();
  }

  testing::FakeUi ui;
  testing::FakeSpeechBackends backends;
  LoggedPauses pauses{ui, backends.log};
  FRMTTS form{ui, backends, pauses};
  std::deque<Key> script;
  int idle_rounds = 0;
};

}  // namespace veltro::speech
