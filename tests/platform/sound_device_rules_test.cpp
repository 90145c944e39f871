// DirectSound's refusals and acceptances, the same table run on every back-end of the device seam.
#include <gtest/gtest.h>

#include <functional>

#include "platform/desktop/openal_sound_system.h"
#include "platform/headless/simulated_sound.h"
#include "platform/platform_error.h"
#include "support/audio_file_fixtures.h"

namespace veltro::platform {
namespace {

constexpr int32_t kPlain = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN;
constexpr int32_t k3D = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRL3D;
constexpr int32_t kBytes = 4410;  // the mono test file: a tenth of a second at 22050 Hz

struct OpenAlBackend {
  std::unique_ptr<desktop::OpenAlSoundSystem> loopback = desktop::OpenAlSoundSystem::Loopback();
  SoundSystem& system = *loopback;
};
struct SimulatedBackend {
  headless::VirtualClock clock;
  headless::SimulatedSoundSystem system{clock};
};

BufferDesc Desc(int32_t flags) {
  BufferDesc desc;
  desc.Flags = flags;
  return desc;
}

// What one row of the table calls on: a fresh set of objects on the back-end's device.
struct Objects {
  std::shared_ptr<SoundDevice> device;
  std::string mono, stereo;  // sound files
  std::shared_ptr<SoundBuffer> File(int32_t flags, const std::string& path = "") {
    return device->CreateSoundBufferFromFile(path.empty() ? mono : path, Desc(flags));
  }
  std::shared_ptr<SoundBuffer> Empty(int32_t bytes = 400, WaveFormat format = Pcm16Format(1, 22050),
                                     int32_t flags = kPlain) {
    return device->CreateSoundBuffer({.Flags = flags, .BufferBytes = bytes, .Format = format});
  }
  std::shared_ptr<PrimarySoundBuffer> Primary(int32_t flags = DSBCAPS_PRIMARYBUFFER |
                                                              DSBCAPS_CTRL3D) {
    return device->CreatePrimaryBuffer(Desc(flags));
  }
  std::shared_ptr<Sound3DBuffer> Spatial() { return File(k3D)->GetDirectSound3DBuffer(); }
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

const Row kRows[] = {
    // Volume, pan and frequency: DirectSound's ranges, and only with the matching control.
    {"volume above 0", true, [](Objects& o) { o.File(kPlain)->SetVolume(1); }},
    {"volume below silence", true, [](Objects& o) { o.File(kPlain)->SetVolume(-10001); }},
    {"volume at silence", false, [](Objects& o) { o.File(kPlain)->SetVolume(-10000); }},
    {"volume without control", true, [](Objects& o) { o.File(DSBCAPS_CTRLPAN)->SetVolume(-100); }},
    {"pan past left", true, [](Objects& o) { o.File(kPlain)->SetPan(-10001); }},
    {"pan past right", true, [](Objects& o) { o.File(kPlain)->SetPan(10001); }},
    {"pan full right", false, [](Objects& o) { o.File(kPlain)->SetPan(10000); }},
    {"pan on a 3D buffer", true, [](Objects& o) { o.File(k3D)->SetPan(0); }},
    {"frequency too low", true, [](Objects& o) { o.File(kPlain)->SetFrequency(99); }},
    {"frequency too high", true, [](Objects& o) { o.File(kPlain)->SetFrequency(200001); }},
    {"frequency limits and own rate", false,
     [](Objects& o) {
       auto b = o.File(kPlain);
       b->SetFrequency(100), b->SetFrequency(200000), b->SetFrequency(0);
     }},
    {"frequency without control", true,
     [](Objects& o) { o.File(DSBCAPS_CTRLVOLUME)->SetFrequency(0); }},
    // Play position within the data.
    {"position before the start", true, [](Objects& o) { o.File(kPlain)->SetCurrentPosition(-1); }},
    {"position at the end", true, [](Objects& o) { o.File(kPlain)->SetCurrentPosition(kBytes); }},
    {"position at the last frame", false,
     [](Objects& o) { o.File(kPlain)->SetCurrentPosition(kBytes - 2); }},
    // Rewriting: inside the data, of a buffer created empty that no one can hear.
    {"write into an empty buffer", false,
     [](Objects& o) { o.Empty()->WriteBuffer(392, 8, kData.data(), 0); }},
    {"write past the end", true,
     [](Objects& o) { o.Empty()->WriteBuffer(396, 8, kData.data(), 0); }},
    {"write before the start", true,
     [](Objects& o) { o.Empty()->WriteBuffer(-2, 8, kData.data(), 0); }},
    {"write without data", true, [](Objects& o) { o.Empty()->WriteBuffer(0, 8, nullptr, 0); }},
    {"write a file's buffer", true,
     [](Objects& o) { o.File(kPlain)->WriteBuffer(0, 8, kData.data(), 0); }},
    {"write a playing buffer", true,
     [](Objects& o) {
       auto b = o.Empty();
       b->Play(DSBPLAY_LOOPING);
       b->WriteBuffer(0, 8, kData.data(), 0);
     }},
    {"write a duplicated buffer", true,
     [](Objects& o) {
       auto b = o.Empty();
       auto copy = o.device->DuplicateSoundBuffer(*b);
       b->WriteBuffer(0, 8, kData.data(), 0);
     }},
    {"write a duplicate", true,
     [](Objects& o) {
       o.device->DuplicateSoundBuffer(*o.Empty())->WriteBuffer(0, 8, kData.data(), 0);
     }},
    // Buffers the device makes.
    {"empty buffer of no bytes", true, [](Objects& o) { o.Empty(0); }},
    {"empty buffer of half a frame", true, [](Objects& o) { o.Empty(401, Pcm16Format(2, 22050)); }},
    {"empty buffer above the cap", true,
     [](Objects& o) { o.Empty(static_cast<int32_t>(kMaxDecodedAudioBytes + 2)); }},
    {"empty 8-bit stereo buffer", false,
     [](Objects& o) { o.Empty(400, With(Pcm16Format(2, 8000), 2, 8, 8000)); }},
    {"empty 24-bit buffer", true, [](Objects& o) { o.Empty(300, With({}, 1, 24, 22050)); }},
    {"empty buffer at 99 Hz", true, [](Objects& o) { o.Empty(400, With({}, 1, 16, 99)); }},
    {"empty stereo 3D buffer", true, [](Objects& o) { o.Empty(400, Pcm16Format(2, 22050), k3D); }},
    {"stereo file as 3D", true, [](Objects& o) { o.File(k3D, o.stereo); }},
    {"stereo file plain", false, [](Objects& o) { o.File(kPlain, o.stereo); }},
    {"missing file", true, [](Objects& o) { o.File(kPlain, o.mono + ".gone"); }},
    // 3D settings.
    {"3D side of a plain buffer", true,
     [](Objects& o) { o.File(kPlain)->GetDirectSound3DBuffer(); }},
    {"3D minimum distance 0", true, [](Objects& o) { o.Spatial()->SetMinDistance(0, 0); }},
    {"3D cone inside below 0", true, [](Objects& o) { o.Spatial()->SetConeAngles(-1, 90, 0); }},
    {"3D cone outside above 360", true, [](Objects& o) { o.Spatial()->SetConeAngles(0, 361, 0); }},
    {"3D cone inside beyond outside", true,
     [](Objects& o) { o.Spatial()->SetConeAngles(200, 100, 0); }},
    {"3D settings in range", false,
     [](Objects& o) {
       auto s = o.Spatial();
       s->SetConeAngles(0, 360, 0), s->SetMinDistance(100, 0), s->SetPosition({1, 2, 3}, 0);
     }},
    // The primary buffer and the listener.
    {"primary buffer without its flag", true, [](Objects& o) { o.Primary(DSBCAPS_CTRL3D); }},
    {"primary buffer played once", true, [](Objects& o) { o.Primary()->Play(0); }},
    {"primary buffer of three channels", true,
     [](Objects& o) { o.Primary()->SetFormat(With({}, 3, 16, 22050)); }},
    {"primary buffer looping in stereo", false,
     [](Objects& o) {
       auto p = o.Primary();
       p->Play(DSBPLAY_LOOPING), p->SetFormat({});
     }},
    {"listener without 3D control", true,
     [](Objects& o) { o.Primary(DSBCAPS_PRIMARYBUFFER)->GetDirectSound3DListener(); }},
    {"rolloff below 0", true,
     [](Objects& o) { o.Primary()->GetDirectSound3DListener()->SetRolloffFactor(-0.1f, 0); }},
    {"rolloff above 10", true,
     [](Objects& o) { o.Primary()->GetDirectSound3DListener()->SetRolloffFactor(10.1f, 0); }},
    {"distance factor 0", true,
     [](Objects& o) { o.Primary()->GetDirectSound3DListener()->SetDistanceFactor(0, 0); }},
    {"listener settings in range", false,
     [](Objects& o) {
       auto l = o.Primary()->GetDirectSound3DListener();
       l->SetRolloffFactor(10, 0), l->SetDistanceFactor(3.4f, 0);
       l->SetOrientation({0, 0, -1}, {0, 1, 0}, 0), l->SetPosition({1, 1, 1}, 0);
     }},
};

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

TYPED_TEST(SoundDeviceRulesTest, KeepsWhatItAcceptedAndADuplicateStartsWithIt) {
  Objects o = this->Fresh();
  auto buffer = o.File(kPlain);
  buffer->SetVolume(-600), buffer->SetPan(300), buffer->SetFrequency(11025);
  EXPECT_THROW(buffer->SetVolume(5), PlatformError);
  EXPECT_THROW(buffer->SetPan(20000), PlatformError);
  EXPECT_THROW(buffer->SetFrequency(5), PlatformError);
  auto copy = o.device->DuplicateSoundBuffer(*buffer);
  for (auto* b : {buffer.get(), copy.get()}) {
    EXPECT_EQ(b->volume(), -600);
    EXPECT_EQ(b->pan(), 300);
    EXPECT_EQ(b->GetFrequency(), 11025);
    EXPECT_EQ(b->GetFormat().SamplesPerSec, 22050);
  }
  copy->SetFrequency(0);  // the data's own rate, for the copy only
  EXPECT_EQ(copy->GetFrequency(), 22050);
  EXPECT_EQ(buffer->GetFrequency(), 11025);

  auto spatial = o.Spatial();
  spatial->SetPosition({1, 2, 3}, DS3D_DEFERRED);  // kept apart, never applied
  EXPECT_EQ(spatial->position().x, 0);
  EXPECT_EQ(spatial->deferred_position().y, 2);
  EXPECT_THROW(spatial->SetConeAngles(90, 30, 0), PlatformError);
  EXPECT_EQ(spatial->inside_cone_degrees(), 360);
}

}  // namespace
}  // namespace veltro::platform
