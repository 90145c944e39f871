// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/headless/simulated_sound.h"
#include "platform/platform_error.h"

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
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& c) {
      return c.rfind(name + "(", 0) == 0;
    }));
  }
};

// A buffer of the simulated device whose calls are recorded. Its 3D side is the simulated one.
class RecordingBuffer : public platform::SoundBuffer {
 public:
  RecordingBuffer(DeviceCalls& log, std::shared_ptr<platform::SoundBuffer> inner,
                  std::string source)
      : SoundBuffer(inner->flags(), inner->GetFormat(), inner->bytes(), true),
        source(std::move(source)),
        log_(log),
        inner_(std::move(inner)) {}

  platform::headless::SimulatedSoundBuffer& simulated() {
    return dynamic_cast<platform::headless::SimulatedSoundBuffer&>(*inner_);
  }
  platform::SoundBuffer& inner() { return *inner_; }
  bool playing() { return (GetStatus() & platform::DSBSTATUS_PLAYING) != 0; }
  bool looping() { return (GetStatus() & platform::DSBSTATUS_LOOPING) != 0; }
  int32_t position() { return simulated().CurrentPosition(); }

  std::string source;  // the file it was made from, "memory", or "copy of <source>"
  int plays = 0;

 protected:
  void ApplyVolume(int32_t v) override { inner_->SetVolume(v); }
  void ApplyPan(int32_t p) override { log_.Call("SetPan"), inner_->SetPan(p); }
  void ApplyFrequency(int32_t hz) override { log_.Call("SetFrequency"), inner_->SetFrequency(hz); }
  void ApplyCopiedSettings() override {}  // the inner duplicate has them already
  void ApplyPosition(int32_t offset) override { inner_->SetCurrentPosition(offset); }
  void StartPlaying(bool looping) override {
    log_.Call("Play"), ++plays, inner_->Play(looping ? platform::DSBPLAY_LOOPING : 0);
  }
  void StopPlaying() override { log_.Call("Stop"), inner_->Stop(); }
  int32_t PlayingStatus() override { return inner_->GetStatus(); }
  bool DataShared() const override { return false; }  // the inner buffer decides
  void WriteData(int32_t offset, int32_t bytes, const void* data) override {
    inner_->WriteBuffer(offset, bytes, data, 0);
  }
  std::shared_ptr<platform::Sound3DBuffer> Make3DBuffer() override {
    return inner_->GetDirectSound3DBuffer();
  }

 private:
  DeviceCalls& log_;
  std::shared_ptr<platform::SoundBuffer> inner_;
};

// The simulated sound system with every call the engine makes on it recorded, and every buffer
// it made reachable.
class RecordingSoundSystem : public platform::SoundSystem {
 public:
  // Sounds play to their end as `clock` advances.
  explicit RecordingSoundSystem(platform::headless::VirtualClock& clock) : inner_(clock) {}
  std::shared_ptr<platform::SoundDevice> DirectSoundCreate(const std::string& id) override {
    log.Call("DirectSoundCreate", id);
    return std::make_shared<Device>(*this, inner_.DirectSoundCreate(id));
  }
  int LiveBuffers() const {
    return static_cast<int>(std::count_if(buffers_.begin(), buffers_.end(),
                                          [](const auto& weak) { return !weak.expired(); }));
  }

  DeviceCalls log;

 private:
  // The simulated device's primary buffer and listener do nothing, so these only record.
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
    Device(RecordingSoundSystem& system, std::shared_ptr<platform::SoundDevice> inner)
        : system_(system), log_(system.log), inner_(std::move(inner)) {}

   protected:
    void ApplyCooperativeLevel(int32_t level) override {
      log_.Call("SetCooperativeLevel", std::to_string(level)), inner_->SetCooperativeLevel(level);
    }
    std::shared_ptr<platform::PrimarySoundBuffer> MakePrimaryBuffer(int32_t flags) override {
      log_.Call("CreatePrimaryBuffer", std::to_string(flags));
      return std::make_shared<Primary>(log_, flags);
    }
    std::shared_ptr<platform::SoundBuffer> MakeBuffer(const platform::BufferDesc& desc,
                                                      std::vector<uint8_t>) override {
      log_.Call("CreateSoundBuffer");
      return Keep(inner_->CreateSoundBuffer(desc), "memory");
    }
    std::shared_ptr<platform::SoundBuffer> MakeBufferFromFile(
        const std::string& path, const platform::BufferDesc& desc) override {
      log_.Call("CreateSoundBufferFromFile", path);
      return Keep(inner_->CreateSoundBufferFromFile(path, desc), path);
    }
    std::shared_ptr<platform::SoundBuffer> MakeDuplicate(platform::SoundBuffer& source) override {
      auto& original = dynamic_cast<RecordingBuffer&>(source);
      log_.Call("DuplicateSoundBuffer", original.source);
      return Keep(inner_->DuplicateSoundBuffer(original.inner()), "copy of " + original.source);
    }

   private:
    std::shared_ptr<RecordingBuffer> Keep(std::shared_ptr<platform::SoundBuffer> inner,
                                          std::string source) {
      auto buffer = std::make_shared<RecordingBuffer>(log_, std::move(inner), std::move(source));
      system_.buffers_.push_back(buffer);
      return buffer;
    }

    RecordingSoundSystem& system_;
    DeviceCalls& log_;
    std::shared_ptr<platform::SoundDevice> inner_;
  };

  platform::headless::SimulatedSoundSystem inner_;
  std::vector<std::weak_ptr<RecordingBuffer>> buffers_;
};

}  // namespace veltro::testing
