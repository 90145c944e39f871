#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/audio_file.h"
#include "platform/headless/simulated_streams.h"
#include "platform/ogg_library.h"
#include "platform/platform_error.h"
#include "platform/sound_device.h"
#include "sound/sound.h"
#include "support/fake_ui.h"

namespace veltro::testing {

using platform::PlatformError;
using platform::Vector3;

// What the fake device was asked ("Name(arguments)", in order) and which calls it refuses.
struct FakeSoundLog {
  std::vector<std::string> calls;
  std::set<std::string> failing;
  void Call(const std::string& name, const std::string& arguments = "") {
    calls.push_back(name + "(" + arguments + ")");
    if (failing.count(name) > 0) throw PlatformError(name + " refused");
  }
  int Count(const std::string& name) const {
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& c) {
      return c.rfind(name + "(", 0) == 0;
    }));
  }
};

// A buffer that "plays" until the test says its sound reached the end.
// Its 3D side is the buffer itself.
class FakeSoundBuffer : public platform::SoundBuffer,
                        public platform::Sound3DBuffer,
                        public std::enable_shared_from_this<FakeSoundBuffer> {
 public:
  FakeSoundBuffer(FakeSoundLog& log, std::string source, int32_t flags, platform::WaveFormat f)
      : source(std::move(source)), flags(flags), format(f), log_(log) {}
  void SetVolume(int32_t v) override { volume = v; }
  void SetPan(int32_t p) override { log_.Call("SetPan"), pan = p; }
  void SetFrequency(int32_t hz) override { log_.Call("SetFrequency"), frequency = hz; }
  int32_t GetFrequency() override { return frequency == 0 ? format.SamplesPerSec : frequency; }
  void SetCurrentPosition(int32_t offset) override { position = offset; }
  void Play(int32_t play_flags) override {
    log_.Call("Play"), playing = true, looping = play_flags == platform::DSBPLAY_LOOPING, ++plays;
  }
  void Stop() override { log_.Call("Stop"), playing = false; }
  int32_t GetStatus() override {
    return playing ? platform::DSBSTATUS_PLAYING | (looping ? platform::DSBSTATUS_LOOPING : 0) : 0;
  }
  platform::WaveFormat GetFormat() override { return format; }
  void WriteBuffer(int32_t, int32_t bytes, const void* data, int32_t) override {
    const auto* begin = static_cast<const uint8_t*>(data);
    written.assign(begin, begin + bytes);
  }
  std::shared_ptr<platform::Sound3DBuffer> GetDirectSound3DBuffer() override {
    if ((flags & platform::DSBCAPS_CTRL3D) == 0) throw PlatformError("not a 3D buffer");
    return shared_from_this();
  }
  void SetPosition(Vector3 p, int32_t apply) override {
    log_.Call("SetPosition3D"), position3d = p, position_apply = apply;
  }
  void SetMinDistance(float d, int32_t) override { min_distance = d; }
  void SetConeAngles(int32_t, int32_t, int32_t) override { ++cone_calls; }

  std::string source;  // the file it was made from, or "copy of <source>"
  int32_t flags;
  platform::WaveFormat format;
  int32_t volume = 0, pan = 0, frequency = 0, position = 0;
  bool playing = false, looping = false;
  int plays = 0;
  std::vector<uint8_t> written;
  Vector3 position3d;
  int32_t position_apply = -1;
  float min_distance = 0;
  int cone_calls = 0;

 private:
  FakeSoundLog& log_;
};

// The sound system, its device, primary buffer and listener in one, and every buffer made on it.
// Files the device can load are listed in `readable` (path -> format).
class FakeSoundSystem : public platform::SoundSystem,
                        public platform::SoundDevice,
                        public platform::PrimarySoundBuffer,
                        public platform::SoundListener {
 public:
  std::shared_ptr<platform::SoundDevice> DirectSoundCreate(const std::string& id) override {
    return log.Call("DirectSoundCreate", id), Self<platform::SoundDevice>();
  }
  void SetCooperativeLevel(int32_t level) override {
    log.Call("SetCooperativeLevel", std::to_string(level));
  }
  std::shared_ptr<platform::PrimarySoundBuffer> CreatePrimaryBuffer(
      const platform::BufferDesc& desc) override {
    return log.Call("CreatePrimaryBuffer", std::to_string(desc.Flags)),
           Self<platform::PrimarySoundBuffer>();
  }
  void Play(int32_t flags) override { log.Call("PrimaryPlay", std::to_string(flags)); }
  void SetFormat(const platform::WaveFormat& f) override {
    log.Call("SetFormat", std::to_string(f.Channels) + "," + std::to_string(f.SamplesPerSec) + "," +
                              std::to_string(f.BlockAlign) + "," +
                              std::to_string(f.AvgBytesPerSec));
  }
  std::shared_ptr<platform::SoundListener> GetDirectSound3DListener() override {
    return log.Call("GetDirectSound3DListener"), Self<platform::SoundListener>();
  }
  void SetPosition(Vector3, int32_t) override {}
  void SetOrientation(Vector3, Vector3, int32_t) override {}
  void SetRolloffFactor(float x, int32_t) override {
    log.Call("SetRolloffFactor", std::to_string(x));
  }
  void SetDistanceFactor(float x, int32_t) override {
    log.Call("SetDistanceFactor", std::to_string(x));
  }
  std::shared_ptr<platform::SoundBuffer> CreateSoundBuffer(
      const platform::BufferDesc& desc) override {
    return log.Call("CreateSoundBuffer"), Keep("memory", desc.Flags, desc.Format);
  }
  std::shared_ptr<platform::SoundBuffer> CreateSoundBufferFromFile(
      const std::string& path, const platform::BufferDesc& desc) override {
    log.Call("CreateSoundBufferFromFile", path);
    auto file = readable.find(path);
    if (file == readable.end()) throw PlatformError("cannot read " + path);
    return Keep(path, desc.Flags, file->second);
  }
  std::shared_ptr<platform::SoundBuffer> DuplicateSoundBuffer(
      platform::SoundBuffer& source) override {
    auto& original = dynamic_cast<FakeSoundBuffer&>(source);
    log.Call("DuplicateSoundBuffer", original.source);
    return Keep("copy of " + original.source, original.flags, original.format);
  }

  void FinishAll() {  // every live buffer's sound reaches its end
    for (auto& weak : buffers) {
      if (auto buffer = weak.lock()) buffer->playing = false;
    }
  }
  int LiveBuffers() const {
    return static_cast<int>(std::count_if(buffers.begin(), buffers.end(),
                                          [](const auto& weak) { return !weak.expired(); }));
  }

  std::map<std::string, platform::WaveFormat> readable;
  FakeSoundLog log;
  std::vector<std::weak_ptr<FakeSoundBuffer>> buffers;

 private:
  template <class Part>
  std::shared_ptr<Part> Self() {  // not owned: the test keeps the system alive
    return {std::shared_ptr<void>(), static_cast<Part*>(this)};
  }
  std::shared_ptr<FakeSoundBuffer> Keep(std::string source, int32_t flags,
                                        platform::WaveFormat format) {
    auto buffer = std::make_shared<FakeSoundBuffer>(log, std::move(source), flags, format);
    buffers.push_back(buffer);
    return buffer;
  }
};

// An OGG library that decodes the files it is given (path -> PCM bytes, channels, rate).
class FakeOggLibrary : public platform::OggLibrary {
 public:
  struct File {
    std::vector<uint8_t> pcm;
    int32_t channels = 2, rate = 44100;
  };
  int32_t InitOgg(int32_t, intptr_t) override { return log.Call("InitOgg"), init_result; }
  int32_t SetOggBufferSize(int32_t size) override { return buffer_size = size, 1; }
  int32_t UpdateOgg() override { return ++updates, 1; }
  int32_t ShutdownOgg() override { return log.Call("ShutdownOgg"), ++shutdowns, 1; }
  // Streams are played by the real library (see the stream tests); this one starts none.
  int32_t PlayOggFromDisc(const std::string&, int32_t) override { return 0; }
  int32_t StopOgg(int32_t) override { return 0; }
  int32_t PauseOgg(int32_t) override { return 0; }
  int32_t OggIsPlaying(int32_t) override { return 0; }
  int32_t OggSetPosition(int32_t, int32_t) override { return 0; }
  int32_t SetVolumeOfOgg(int32_t, int32_t) override { return 0; }
  int32_t SetPanOfOgg(int32_t, int32_t) override { return 0; }
  int32_t SetFrequencyOfOgg(int32_t, int32_t) override { return 0; }
  int32_t DecodeOggFileToBuffer(const std::string& path, std::vector<uint8_t>& buffer,
                                int32_t& size, int32_t& channels, int32_t& rate) override {
    auto file = files.find(path);
    if (file == files.end()) return 0;
    size = static_cast<int32_t>(file->second.pcm.size());
    channels = file->second.channels;
    rate = file->second.rate;
    if (buffer.size() >= file->second.pcm.size())
      std::copy_n(file->second.pcm.data(), size, buffer.data());
    return 1;
  }

  std::map<std::string, File> files;
  int32_t init_result = 1;
  int updates = 0, shutdowns = 0, buffer_size = 0;
  FakeSoundLog log;
};

class RecordingSoundSpeech : public sound::SoundSpeech {
 public:
  void speak(const std::string& t, int16_t type) override {
    said.push_back(t + "|" + std::to_string(type));
  }
  void StopSpeakingAll() override { said.push_back("<stop all>"); }
  std::vector<std::string> said;
};

// A sound engine over the fake device, with helpers to put sound files in place.
class SoundTest : public ::testing::Test {
 protected:
  FakeUi ui;
  FakeSoundSystem dx;
  FakeOggLibrary ogg;
  platform::headless::VirtualClock stream_clock;
  platform::SndfileDecoders decoders;
  platform::headless::SimulatedDirectShow direct_show{decoders, stream_clock};
  RecordingSoundSpeech speech;
  std::string app_path = "/opt/veltro/";
  std::unique_ptr<sound::Sound> sound;

  sound::Sound& Started() {
    sound = std::make_unique<sound::Sound>(ui, dx, ogg, direct_show, speech, app_path);
    sound->DSInit();
    return *sound;
  }
  void AddWav(const std::string& name, int16_t channels = 1) {
    ui.files[app_path + name] = "";
    platform::WaveFormat format;
    format.Channels = channels;
    format.SamplesPerSec = 22050;
    dx.readable[app_path + name] = format;
  }
  int16_t Play(const std::string& name, int16_t flags = 0, int32_t start = 0) {
    int16_t volume = 0, pan = 0;
    int32_t frequency = -1;
    return sound->PlaySound(name, volume, frequency, pan, start, flags);
  }
  FakeSoundBuffer* BufferOf(int16_t slot) {
    return dynamic_cast<FakeSoundBuffer*>(sound->WavSlotAt(slot).DSBuffer.get());
  }
};

}  // namespace veltro::testing
