#include "fake_sound_device.h"

#include <algorithm>
#include <cstring>

#include "platform/platform_error.h"

namespace veltro::testing {

using platform::PlatformError;

void FakeSoundLog::Call(const std::string& name, const std::string& arguments) {
  calls.push_back(name + "(" + arguments + ")");
  if (failing.count(name) > 0) throw PlatformError(name + " refused");
}

int FakeSoundLog::Count(const std::string& name) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& c) {
    return c.compare(0, name.size() + 1, name + "(") == 0;
  }));
}

void Fake3DBuffer::SetPosition(platform::Vector3 p, int32_t apply) {
  log_.Call("SetPosition3D");
  position = p;
  position_apply = apply;
}
void Fake3DBuffer::SetMinDistance(float distance, int32_t) {
  log_.Call("SetMinDistance", std::to_string(static_cast<int>(distance)));
  min_distance = distance;
}
void Fake3DBuffer::SetConeAngles(int32_t inside, int32_t outside, int32_t) {
  log_.Call("SetConeAngles", std::to_string(inside) + "," + std::to_string(outside));
  ++cone_calls;
}

FakeSoundBuffer::FakeSoundBuffer(FakeSoundLog& log, std::string source, int32_t flags,
                                 platform::WaveFormat format)
    : source(std::move(source)), flags(flags), format(format), log_(log) {}

void FakeSoundBuffer::SetVolume(int32_t v) {
  log_.Call("SetVolume", std::to_string(v));
  volume = v;
}
void FakeSoundBuffer::SetPan(int32_t p) {
  log_.Call("SetPan", std::to_string(p));
  pan = p;
}
void FakeSoundBuffer::SetFrequency(int32_t hz) {
  log_.Call("SetFrequency", std::to_string(hz));
  frequency = hz;
}
int32_t FakeSoundBuffer::GetFrequency() {
  log_.Call("GetFrequency");
  return frequency == 0 ? format.SamplesPerSec : frequency;
}
void FakeSoundBuffer::SetCurrentPosition(int32_t offset) {
  log_.Call("SetCurrentPosition", std::to_string(offset));
  position = offset;
}
void FakeSoundBuffer::Play(int32_t play_flags) {
  log_.Call("Play", std::to_string(play_flags));
  playing = true;
  looping = play_flags == platform::DSBPLAY_LOOPING;
  ++plays;
}
void FakeSoundBuffer::Stop() {
  log_.Call("Stop");
  playing = false;
}
int32_t FakeSoundBuffer::GetStatus() {
  log_.Call("GetStatus");
  return playing ? platform::DSBSTATUS_PLAYING | (looping ? platform::DSBSTATUS_LOOPING : 0) : 0;
}
platform::WaveFormat FakeSoundBuffer::GetFormat() {
  log_.Call("GetFormat");
  return format;
}
void FakeSoundBuffer::WriteBuffer(int32_t offset, int32_t bytes, const void* data, int32_t) {
  log_.Call("WriteBuffer", std::to_string(offset) + "," + std::to_string(bytes));
  const auto* begin = static_cast<const uint8_t*>(data);
  written.assign(begin, begin + bytes);
}
std::shared_ptr<platform::Sound3DBuffer> FakeSoundBuffer::GetDirectSound3DBuffer() {
  log_.Call("GetDirectSound3DBuffer");
  if ((flags & platform::DSBCAPS_CTRL3D) == 0) throw PlatformError("not a 3D buffer");
  if (!three_d_) three_d_ = std::make_shared<Fake3DBuffer>(log_);
  return three_d_;
}

void FakeListener::SetPosition(platform::Vector3 p, int32_t) {
  log_.Call("ListenerSetPosition");
  position = p;
}
void FakeListener::SetOrientation(platform::Vector3 f, platform::Vector3 t, int32_t) {
  log_.Call("SetOrientation");
  front = f;
  top = t;
}
void FakeListener::SetRolloffFactor(float factor, int32_t) {
  log_.Call("SetRolloffFactor", std::to_string(factor));
}
void FakeListener::SetDistanceFactor(float metres, int32_t) {
  log_.Call("SetDistanceFactor", std::to_string(metres));
}

namespace {

class FakePrimary : public platform::PrimarySoundBuffer {
 public:
  FakePrimary(FakeSoundSystem& system) : system_(system) {}
  void Play(int32_t flags) override { system_.log.Call("PrimaryPlay", std::to_string(flags)); }
  void SetFormat(const platform::WaveFormat& f) override {
    system_.log.Call("SetFormat",
                     std::to_string(f.Channels) + "," + std::to_string(f.SamplesPerSec) + "," +
                         std::to_string(f.BlockAlign) + "," + std::to_string(f.AvgBytesPerSec));
  }
  std::shared_ptr<platform::SoundListener> GetDirectSound3DListener() override {
    system_.log.Call("GetDirectSound3DListener");
    system_.listener = std::make_shared<FakeListener>(system_.log);
    return system_.listener;
  }

 private:
  FakeSoundSystem& system_;
};

class FakeDevice : public platform::SoundDevice {
 public:
  explicit FakeDevice(FakeSoundSystem& system) : system_(system) {}
  void SetCooperativeLevel(int32_t level) override {
    system_.log.Call("SetCooperativeLevel", std::to_string(level));
  }
  std::shared_ptr<platform::PrimarySoundBuffer> CreatePrimaryBuffer(
      const platform::BufferDesc& desc) override {
    system_.log.Call("CreatePrimaryBuffer", std::to_string(desc.Flags));
    return std::make_shared<FakePrimary>(system_);
  }
  std::shared_ptr<platform::SoundBuffer> CreateSoundBuffer(
      const platform::BufferDesc& desc) override {
    system_.log.Call("CreateSoundBuffer",
                     std::to_string(desc.Flags) + "," + std::to_string(desc.BufferBytes));
    return Keep(std::make_shared<FakeSoundBuffer>(system_.log, "memory", desc.Flags, desc.Format));
  }
  std::shared_ptr<platform::SoundBuffer> CreateSoundBufferFromFile(
      const std::string& path, const platform::BufferDesc& desc) override {
    system_.log.Call("CreateSoundBufferFromFile", path + "," + std::to_string(desc.Flags));
    auto file = system_.readable.find(path);
    if (file == system_.readable.end()) throw PlatformError("cannot read " + path);
    return Keep(std::make_shared<FakeSoundBuffer>(system_.log, path, desc.Flags, file->second));
  }
  std::shared_ptr<platform::SoundBuffer> DuplicateSoundBuffer(
      platform::SoundBuffer& source) override {
    auto& original = dynamic_cast<FakeSoundBuffer&>(source);
    system_.log.Call("DuplicateSoundBuffer", original.source);
    auto copy = std::make_shared<FakeSoundBuffer>(system_.log, "copy of " + original.source,
                                                  original.flags, original.format);
    return Keep(copy);
  }

 private:
  std::shared_ptr<FakeSoundBuffer> Keep(std::shared_ptr<FakeSoundBuffer> buffer) {
    system_.buffers.push_back(buffer);
    return buffer;
  }
  FakeSoundSystem& system_;
};

}  // namespace

std::shared_ptr<platform::SoundDevice> FakeSoundSystem::DirectSoundCreate(const std::string& id) {
  log.Call("DirectSoundCreate", id);
  return std::make_shared<FakeDevice>(*this);
}

void FakeSoundSystem::FinishAll() {
  for (auto& weak : buffers) {
    if (auto buffer = weak.lock()) buffer->Finish();
  }
}

int FakeSoundSystem::LiveBuffers() const {
  return static_cast<int>(std::count_if(buffers.begin(), buffers.end(),
                                        [](const auto& weak) { return !weak.expired(); }));
}

int32_t FakeOggLibrary::InitOgg(int32_t, intptr_t) {
  log.Call("InitOgg");
  return init_result;
}
int32_t FakeOggLibrary::SetOggBufferSize(int32_t size) {
  log.Call("SetOggBufferSize", std::to_string(size));
  buffer_size = size;
  return 1;
}
int32_t FakeOggLibrary::UpdateOgg() {
  ++updates;
  return 1;
}
int32_t FakeOggLibrary::ShutdownOgg() {
  log.Call("ShutdownOgg");
  ++shutdowns;
  return 1;
}
int32_t FakeOggLibrary::DecodeOggFileToBuffer(const std::string& path, std::vector<uint8_t>& buffer,
                                              int32_t& size, int32_t& channels,
                                              int32_t& samples_per_second) {
  log.Call("DecodeOggFileToBuffer", path + "," + std::to_string(buffer.size()));
  auto file = files.find(path);
  if (file == files.end()) return 0;
  size = static_cast<int32_t>(file->second.pcm.size());
  channels = file->second.channels;
  samples_per_second = file->second.rate;
  if (buffer.size() < file->second.pcm.size()) return 1;
  std::copy(file->second.pcm.begin(), file->second.pcm.end(), buffer.begin());
  return 1;
}

}  // namespace veltro::testing
