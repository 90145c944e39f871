// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/audio/sound_file_cache.h"
#include "platform/base/platform_error.h"
#include "platform/decoders/audio_file.h"
#include "platform/headless/simulated_sound.h"

namespace veltro::testing {

// What a device was asked ("Name(arguments)", in order), and which calls a test makes fail.
struct DeviceCalls {
  std::vector<std::string> calls;
  std::set<std::string> failing;
  void Call(const std::string& name, const std::string& arguments = "") {
    calls.push_back(name + "(" + arguments + ")");
    if (failing.count(name) > 0) throw platform::PlatformError(name + " refused");
  }
  int Count(const std::string& name) const {
    return static_cast<int>(std::ranges::count_if(
        calls, [&](const std::string& c) { return c.starts_with(name + "("); }));
  }
};

// A buffer of the headless device, keeping time on the virtual clock, whose pan, frequency, play
// and stop calls are also recorded.
class RecordingBuffer : public platform::headless::SimulatedSoundBuffer {
 public:
  RecordingBuffer(DeviceCalls& log, platform::headless::VirtualClock& clock, int32_t flags,
                  std::shared_ptr<platform::AudioData> data, bool writable, std::string source)
      : SimulatedSoundBuffer(clock, flags, std::move(data), writable),
        source(std::move(source)),
        log_(log) {}

  bool playing() { return (GetStatus() & platform::DSBSTATUS_PLAYING) != 0; }
  bool looping() { return (GetStatus() & platform::DSBSTATUS_LOOPING) != 0; }

  std::string source;  // the file it was made from, "memory", or "copy of <source>"

 protected:
  void ApplyPan(int32_t p) override { log_.Call("SetPan"), SimulatedSoundBuffer::ApplyPan(p); }
  void ApplyFrequency(int32_t hz) override {
    log_.Call("SetFrequency"), SimulatedSoundBuffer::ApplyFrequency(hz);
  }
  void StartPlaying(bool looping) override {
    log_.Call("Play"), SimulatedSoundBuffer::StartPlaying(looping);
  }
  void StopPlaying() override { log_.Call("Stop"), SimulatedSoundBuffer::StopPlaying(); }

 private:
  DeviceCalls& log_;
};

// The headless sound device with every call the engine makes on it recorded, and every buffer
// it made reachable.
class RecordingSoundSystem : public platform::SoundSystem {
 public:
  // Sounds play to their end as `clock` advances.
  explicit RecordingSoundSystem(platform::headless::VirtualClock& clock) : clock_(clock) {
    SetSoundFileCache(&files_);
  }
  int LiveBuffers() const {
    return static_cast<int>(
        std::ranges::count_if(buffers_, [](auto& weak) { return !weak.expired(); }));
  }

  DeviceCalls log;

 private:
  std::shared_ptr<platform::SoundDevice> MakeDevice(const std::string& id) override {
    log.Call("DirectSoundCreate", id);
    return std::make_shared<Device>(*this);
  }
  // Nothing is heard, so the primary buffer and listener only record.
  class Listener : public platform::SoundListener {
   public:
    explicit Listener(DeviceCalls& log) : log_(log) {}

   protected:
    void ApplyPosition(platform::Vector3) override {}
    void ApplyOrientation(platform::Vector3, platform::Vector3) override {}
    void ApplyRolloffFactor(float x) override { log_.Call("SetRolloffFactor", std::to_string(x)); }
    void ApplyDistanceFactor(float x) override {
      log_.Call("SetDistanceFactor", std::to_string(x));
    }
    DeviceCalls& log_;
  };

  class Primary : public platform::PrimarySoundBuffer {
   public:
    Primary(DeviceCalls& log, int32_t flags) : PrimarySoundBuffer(flags), log_(log) {}

   protected:
    void StartMixing() override { log_.Call("PrimaryPlay"); }
    void ApplyFormat(const platform::WaveFormat& f) override {
      log_.Call("SetFormat", std::to_string(f.Channels) + "," + std::to_string(f.SamplesPerSec) +
                                 "," + std::to_string(f.BlockAlign) + "," +
                                 std::to_string(f.AvgBytesPerSec));
    }
    std::shared_ptr<platform::SoundListener> MakeListener() override {
      log_.Call("GetDirectSound3DListener");
      return std::make_shared<Listener>(log_);
    }
    DeviceCalls& log_;
  };

  class Device : public platform::SoundDevice {
   public:
    explicit Device(RecordingSoundSystem& system) : system_(system), log_(system.log) {}

   protected:
    void ApplyCooperativeLevel(int32_t level) override {
      log_.Call("SetCooperativeLevel", std::to_string(level));
    }
    std::shared_ptr<platform::PrimarySoundBuffer> MakePrimaryBuffer(int32_t flags) override {
      log_.Call("CreatePrimaryBuffer", std::to_string(flags));
      return std::make_shared<Primary>(log_, flags);
    }
    std::shared_ptr<platform::SoundBuffer> MakeBuffer(const platform::BufferDesc& desc,
                                                      std::vector<uint8_t> silence) override {
      log_.Call("CreateSoundBuffer");
      auto data = platform::AudioData{desc.Format, std::move(silence)};
      return Keep(desc.Flags, std::make_shared<platform::AudioData>(data), true, "memory");
    }
    std::shared_ptr<platform::SoundBuffer> MakeBufferFromAudio(const platform::BufferDesc& desc,
                                                               platform::AudioData audio,
                                                               const std::string& path) override {
      return Keep(desc.Flags, std::make_shared<platform::AudioData>(std::move(audio)), false, path);
    }
    std::shared_ptr<platform::SoundBuffer> MakeDuplicate(platform::SoundBuffer& source) override {
      auto& original = dynamic_cast<RecordingBuffer&>(source);
      log_.Call("DuplicateSoundBuffer", original.source);
      return Keep(original.flags(), original.data(), false, "copy of " + original.source);
    }

   private:
    std::shared_ptr<RecordingBuffer> Keep(int32_t flags, std::shared_ptr<platform::AudioData> data,
                                          bool writable, std::string source) {
      auto buffer = std::make_shared<RecordingBuffer>(log_, system_.clock_, flags, std::move(data),
                                                      writable, std::move(source));
      system_.buffers_.push_back(buffer);
      return buffer;
    }

    RecordingSoundSystem& system_;
    DeviceCalls& log_;
  };

  platform::headless::VirtualClock& clock_;
  std::vector<std::weak_ptr<RecordingBuffer>> buffers_;
  // A buffer made from a file is recorded as asked for before the file is read.
  platform::SoundFileCache files_{[this](const std::string& path) {
    log.Call("CreateSoundBufferFromFile", path);
    return platform::LoadAudioFile(path);
  }};
};

}  // namespace veltro::testing
