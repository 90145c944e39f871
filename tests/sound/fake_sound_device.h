#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/ogg_library.h"
#include "platform/sound_device.h"

namespace veltro::testing {

// What the fake device was asked, and what the test wants it to refuse.
struct FakeSoundLog {
  std::vector<std::string> calls;  // "CallName(arguments)", in order
  std::set<std::string> failing;   // call names that throw PlatformError
  // Record a call; throws when the test made `name` fail.
  void Call(const std::string& name, const std::string& arguments = "");
  int Count(const std::string& name) const;
};

class Fake3DBuffer : public platform::Sound3DBuffer {
 public:
  explicit Fake3DBuffer(FakeSoundLog& log) : log_(log) {}
  void SetPosition(platform::Vector3 position, int32_t apply) override;
  void SetMinDistance(float distance, int32_t apply) override;
  void SetConeAngles(int32_t inside, int32_t outside, int32_t apply) override;

  platform::Vector3 position;
  int32_t position_apply = -1;
  float min_distance = 0;
  int cone_calls = 0;

 private:
  FakeSoundLog& log_;
};

// A buffer that "plays" until the test says its sound reached the end (Finish).
class FakeSoundBuffer : public platform::SoundBuffer {
 public:
  FakeSoundBuffer(FakeSoundLog& log, std::string source, int32_t flags,
                  platform::WaveFormat format);
  void SetVolume(int32_t v) override;
  void SetPan(int32_t p) override;
  void SetFrequency(int32_t hz) override;
  int32_t GetFrequency() override;
  void SetCurrentPosition(int32_t offset) override;
  void Play(int32_t flags) override;
  void Stop() override;
  int32_t GetStatus() override;
  platform::WaveFormat GetFormat() override;
  void WriteBuffer(int32_t offset, int32_t bytes, const void* data, int32_t lock_flags) override;
  std::shared_ptr<platform::Sound3DBuffer> GetDirectSound3DBuffer() override;

  void Finish() { playing = false; }

  std::string source;  // the file it was made from, or "copy of <source>"
  int32_t flags;
  platform::WaveFormat format;
  int32_t volume = 0, pan = 0, frequency = 0, position = 0;
  bool playing = false, looping = false;
  int plays = 0;
  std::vector<uint8_t> written;

 private:
  FakeSoundLog& log_;
  std::shared_ptr<Fake3DBuffer> three_d_;
};

class FakeListener : public platform::SoundListener {
 public:
  explicit FakeListener(FakeSoundLog& log) : log_(log) {}
  void SetPosition(platform::Vector3 position, int32_t apply) override;
  void SetOrientation(platform::Vector3 front, platform::Vector3 top, int32_t apply) override;
  void SetRolloffFactor(float factor, int32_t apply) override;
  void SetDistanceFactor(float metres, int32_t apply) override;
  platform::Vector3 position, front, top;

 private:
  FakeSoundLog& log_;
};

// The sound system, its one device and every buffer made on it.
class FakeSoundSystem : public platform::SoundSystem {
 public:
  std::shared_ptr<platform::SoundDevice> DirectSoundCreate(const std::string& id) override;

  // Files the device can load (path -> format); a path missing here is refused as unreadable.
  std::map<std::string, platform::WaveFormat> readable;
  FakeSoundLog log;
  std::vector<std::weak_ptr<FakeSoundBuffer>> buffers;
  std::shared_ptr<FakeListener> listener;

  // Every live buffer's sound reaches its end.
  void FinishAll();
  int LiveBuffers() const;
};

// An OGG library that decodes the files it is given (path -> PCM bytes, channels, rate).
class FakeOggLibrary : public platform::OggLibrary {
 public:
  struct File {
    std::vector<uint8_t> pcm;
    int32_t channels = 2, rate = 44100;
  };
  int32_t InitOgg(int32_t reserved, intptr_t window) override;
  int32_t SetOggBufferSize(int32_t size) override;
  int32_t UpdateOgg() override;
  int32_t ShutdownOgg() override;
  int32_t DecodeOggFileToBuffer(const std::string& path, std::vector<uint8_t>& buffer,
                                int32_t& size, int32_t& channels,
                                int32_t& samples_per_second) override;

  std::map<std::string, File> files;
  int32_t init_result = 1;
  int updates = 0, shutdowns = 0, buffer_size = 0;
  FakeSoundLog log;
};

}  // namespace veltro::testing
