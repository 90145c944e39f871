// SPDX-License-Identifier: GPL-3.0-or-later
// DirectSound's refusals and acceptances, the same table run on every back-end of the device seam.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>

#include "platform/base/platform_error.h"
#include "platform/headless/simulated_sound.h"
#include "platform/openal/openal_sound_system.h"
#include "support/audio_file_fixtures.h"

namespace veltro::platform {
namespace {

constexpr int32_t kPlain = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN;
constexpr int32_t k3D = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRL3D;
constexpr int32_t kBytes = 4410;  // the mono test file: a tenth of a second at 22050 Hz

// Each back-end with the way its time passes: mixing on the loopback device, the virtual clock.
struct OpenAlBackend {
  std::unique_ptr<desktop::OpenAlSoundSystem> loopback = desktop::OpenAlSoundSystem::Loopback();
  SoundSystem& system = *loopback;
  void Advance(double seconds) { loopback->Render(static_cast<int>(std::lround(seconds * 44100))); }
};
struct SimulatedBackend {
  headless::VirtualClock clock;
  headless::SimulatedSoundSystem system{clock};
  void Advance(double seconds) { clock.Advance(seconds); }
};

// What one row of the table calls on: a fresh set of objects on the back-end's device.
struct Objects {
  std::shared_ptr<SoundDevice> device;
  std::string mono, stereo;  // sound files
  std::shared_ptr<SoundBuffer> File(int32_t flags, const std::string& path = "") {
    return device->CreateSoundBufferFromFile(path.empty() ? mono : path, {.Flags = flags});
  }
  std::shared_ptr<SoundBuffer> Empty(int32_t bytes = 400, WaveFormat format = Pcm16Format(1, 22050),
                                     int32_t flags = kPlain) {
    return device->CreateSoundBuffer({.Flags = flags, .BufferBytes = bytes, .Format = format});
  }
  std::shared_ptr<PrimarySoundBuffer> Primary(int32_t flags = DSBCAPS_PRIMARYBUFFER |
                                                              DSBCAPS_CTRL3D) {
    return device->CreatePrimaryBuffer({.Flags = flags});
  }
  std::shared_ptr<Sound3DBuffer> Spatial() { return File(k3D)->GetDirectSound3DBuffer(); }
  std::shared_ptr<SoundListener> Listener() { return Primary()->GetDirectSound3DListener(); }
};

struct Row {
  const char* what;
  bool refused;
  std::function<void(Objects&)> call;
};

WaveFormat With(WaveFormat format, int16_t channels, int16_t bits, int32_t rate) {
  format.Channels = channels;
  format.BitsPerSample = bits;
  format.SamplesPerSec = rate;
  format.BlockAlign = static_cast<int16_t>(channels * bits / 8);
  return format;
}

const std::vector<uint8_t> kData(8, 0);

// One row: what is tried, whether DirectSound refuses it, and the call on fresh objects `o`.
// clang-format off
#define ROW(what, refused, ...) {what, refused, [](Objects& o) { __VA_ARGS__; }}
const Row kRows[] = {
    // Volume, pan and frequency: DirectSound's ranges, and only with the matching control.
    ROW("volume above 0", true, o.File(kPlain)->SetVolume(1)),
    ROW("volume below silence", true, o.File(kPlain)->SetVolume(-10001)),
    ROW("volume at silence", false, o.File(kPlain)->SetVolume(-10000)),
    ROW("volume without control", true, o.File(DSBCAPS_CTRLPAN)->SetVolume(-100)),
    ROW("pan past left", true, o.File(kPlain)->SetPan(-10001)),
    ROW("pan past right", true, o.File(kPlain)->SetPan(10001)),
    ROW("pan full right", false, o.File(kPlain)->SetPan(10000)),
    ROW("pan on a 3D buffer", true, o.File(k3D)->SetPan(0)),
    ROW("frequency too low", true, o.File(kPlain)->SetFrequency(99)),
    ROW("frequency too high", true, o.File(kPlain)->SetFrequency(200001)),
    ROW("frequency limits and own rate", false,
        auto b = o.File(kPlain); b->SetFrequency(100), b->SetFrequency(200000), b->SetFrequency(0)),
    ROW("frequency without control", true, o.File(DSBCAPS_CTRLVOLUME)->SetFrequency(0)),
    // Play position within the data.
    ROW("position before the start", true, o.File(kPlain)->SetCurrentPosition(-1)),
    ROW("position at the end", true, o.File(kPlain)->SetCurrentPosition(kBytes)),
    ROW("position at the last frame", false, o.File(kPlain)->SetCurrentPosition(kBytes - 2)),
    // Rewriting: inside the data, of a buffer created empty that no one can hear.
    ROW("write into an empty buffer", false, o.Empty()->WriteBuffer(392, 8, kData.data(), 0)),
    ROW("write past the end", true, o.Empty()->WriteBuffer(396, 8, kData.data(), 0)),
    ROW("write before the start", true, o.Empty()->WriteBuffer(-2, 8, kData.data(), 0)),
    ROW("write without data", true, o.Empty()->WriteBuffer(0, 8, nullptr, 0)),
    ROW("write a file's buffer", true, o.File(kPlain)->WriteBuffer(0, 8, kData.data(), 0)),
    ROW("write a playing buffer", true,
        auto b = o.Empty(); b->Play(DSBPLAY_LOOPING); b->WriteBuffer(0, 8, kData.data(), 0)),
    ROW("write a duplicated buffer", true,
        auto b = o.Empty(); auto copy = o.device->DuplicateSoundBuffer(*b);
        b->WriteBuffer(0, 8, kData.data(), 0)),
    ROW("write a duplicate", true,
        o.device->DuplicateSoundBuffer(*o.Empty())->WriteBuffer(0, 8, kData.data(), 0)),
    // Buffers the device makes.
    ROW("empty buffer of no bytes", true, o.Empty(0)),
    ROW("empty buffer of half a frame", true, o.Empty(401, Pcm16Format(2, 22050))),
    ROW("empty buffer above the cap", true, o.Empty(int32_t(kMaxDecodedAudioBytes + 2))),
    ROW("empty 8-bit stereo buffer", false, o.Empty(400, With(Pcm16Format(2, 8000), 2, 8, 8000))),
    ROW("empty 24-bit buffer", true, o.Empty(300, With({}, 1, 24, 22050))),
    ROW("empty buffer at 99 Hz", true, o.Empty(400, With({}, 1, 16, 99))),
    ROW("empty stereo 3D buffer", true, o.Empty(400, Pcm16Format(2, 22050), k3D)),
    ROW("stereo file as 3D", true, o.File(k3D, o.stereo)),
    ROW("stereo file plain", false, o.File(kPlain, o.stereo)),
    ROW("missing file", true, o.File(kPlain, o.mono + ".gone")),
    // 3D settings.
    ROW("3D side of a plain buffer", true, o.File(kPlain)->GetDirectSound3DBuffer()),
    ROW("3D minimum distance 0", true, o.Spatial()->SetMinDistance(0, 0)),
    ROW("3D cone inside below 0", true, o.Spatial()->SetConeAngles(-1, 90, 0)),
    ROW("3D cone outside above 360", true, o.Spatial()->SetConeAngles(0, 361, 0)),
    ROW("3D cone inside beyond outside", true, o.Spatial()->SetConeAngles(200, 100, 0)),
    ROW("3D settings in range", false, auto s = o.Spatial();
        s->SetConeAngles(0, 360, 0), s->SetMinDistance(100, 0), s->SetPosition({1, 2, 3}, 0)),
    // The primary buffer and the listener.
    ROW("primary buffer without its flag", true, o.Primary(DSBCAPS_CTRL3D)),
    ROW("primary buffer played once", true, o.Primary()->Play(0)),
    ROW("primary buffer of three channels", true, o.Primary()->SetFormat(With({}, 3, 16, 22050))),
    ROW("primary buffer looping in stereo", false,
        auto p = o.Primary(); p->Play(DSBPLAY_LOOPING), p->SetFormat({})),
    ROW("listener without 3D control", true,
        o.Primary(DSBCAPS_PRIMARYBUFFER)->GetDirectSound3DListener()),
    ROW("rolloff below 0", true, o.Listener()->SetRolloffFactor(-0.1f, 0)),
    ROW("rolloff above 10", true, o.Listener()->SetRolloffFactor(10.1f, 0)),
    ROW("distance factor 0", true, o.Listener()->SetDistanceFactor(0, 0)),
    ROW("listener settings in range", false, auto l = o.Listener();
        l->SetRolloffFactor(10, 0), l->SetDistanceFactor(3.4f, 0);
        l->SetOrientation({0, 0, -1}, {0, 1, 0}, 0), l->SetPosition({1, 1, 1}, 0)),
};
// clang-format on
#undef ROW

template <class Backend>
class SoundDeviceRulesTest : public ::testing::Test {
 protected:
  SoundDeviceRulesTest() {
    testing::WriteTone(dir_.File("mono.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050,
                       kBytes / 2);
    testing::WriteTone(dir_.File("stereo.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 22050, 100);
  }
  Objects Fresh() {
    return {backend_.system.DirectSoundCreate(""), dir_.File("mono.wav"), dir_.File("stereo.wav")};
  }

  testing::TempDir dir_;
  Backend backend_;
};

using Backends = ::testing::Types<OpenAlBackend, SimulatedBackend>;
TYPED_TEST_SUITE(SoundDeviceRulesTest, Backends);

TYPED_TEST(SoundDeviceRulesTest, RefusesAndAcceptsWhatDirectSoundDoes) {
  for (const Row& row : kRows) {
    Objects objects = this->Fresh();
    if (row.refused) {
      EXPECT_THROW(row.call(objects), PlatformError) << row.what;
    } else {
      EXPECT_NO_THROW(row.call(objects)) << row.what;
    }
  }
}

TYPED_TEST(SoundDeviceRulesTest, KeepsWhatItAcceptedPlaysForItsLengthAtItsRateAndResumes) {
  Objects o = this->Fresh();
  auto buffer = o.File(kPlain);
  buffer->SetVolume(-600), buffer->SetPan(300), buffer->SetFrequency(11025);
  EXPECT_THROW(buffer->SetVolume(5), PlatformError);
  EXPECT_THROW(buffer->SetPan(20000), PlatformError);
  EXPECT_THROW(buffer->SetFrequency(5), PlatformError);
  auto copy = o.device->DuplicateSoundBuffer(*buffer);
  for (auto* b : {buffer.get(), copy.get()}) {
    EXPECT_EQ(std::tuple(b->volume(), b->pan(), b->GetFrequency(), b->GetFormat().SamplesPerSec),
              std::tuple(-600, 300, 11025, 22050));
  }
  copy->SetFrequency(0);  // the data's own rate, for the copy only
  EXPECT_EQ(copy->GetFrequency(), 22050);
  EXPECT_EQ(buffer->GetFrequency(), 11025);
  copy->Play(DSBPLAY_LOOPING);  // and it plays on its own
  EXPECT_EQ(buffer->GetStatus(), 0);

  auto spatial = o.Spatial();
  spatial->SetPosition({1, 2, 3}, DS3D_DEFERRED);  // kept apart, never applied
  EXPECT_EQ(spatial->position().x, 0);
  EXPECT_EQ(spatial->deferred_position().y, 2);
  EXPECT_THROW(spatial->SetConeAngles(90, 30, 0), PlatformError);
  EXPECT_EQ(spatial->inside_cone_degrees(), 360);

  buffer = o.File(kPlain);  // a tenth of a second at 22050 Hz
  // Plays on for `still_playing` seconds, then checks that `then` more seconds end the sound.
  auto ends_after = [&](double still_playing, double then) {
    this->backend_.Advance(still_playing);
    EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);
    this->backend_.Advance(then);
    EXPECT_EQ(buffer->GetStatus(), 0);
  };
  buffer->Play(0);
  ends_after(0.09, 0.02);
  buffer->SetFrequency(44100);  // at twice the rate from the middle: a quarter of the time
  buffer->SetCurrentPosition(kBytes / 2);
  buffer->Play(0);
  ends_after(0.015, 0.02);
  buffer->SetFrequency(0);
  buffer->Play(0);
  this->backend_.Advance(0.05);  // half played at 22050
  buffer->SetFrequency(11025);   // the other half now lasts a whole tenth
  ends_after(0.09, 0.02);

  buffer->SetFrequency(0);
  buffer->Play(DSBPLAY_LOOPING);
  this->backend_.Advance(1.025);
  EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  buffer->Stop();
  EXPECT_EQ(buffer->GetStatus(), 0);
  this->backend_.Advance(0.5);
  buffer->Play(0);  // resumes a quarter of the way in, where it stopped
  ends_after(0.065, 0.02);
  buffer->Play(0);  // a sound that ended plays again from the start
  ends_after(0.09, 0.02);
}

}  // namespace
}  // namespace veltro::platform
