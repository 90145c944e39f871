// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/openal/openal_sound_buffer.h"

#include <AL/alext.h>

#include <cstring>

#include "platform/base/platform_error.h"
#include "platform/openal/sound_conversions.h"

namespace veltro::platform::desktop {
namespace {

// Above 1 so that a panned sound can be raised to keep its near channel at full level.
constexpr float kMaxSourceGain = 4.0f;
// DirectSound's defaults for a new 3D buffer.
constexpr float kDefaultMinDistance = 1.0f;
constexpr float kDefaultMaxDistance = 1e9f;

ALenum AlFormat(const WaveFormat& format) {
  if (format.Channels == 1) return format.BitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
  return format.BitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

// The 3D side of a buffer made with 3D control. The buffer owns it and outlives it.
class OpenAl3DBuffer : public Sound3DBuffer {
 public:
  explicit OpenAl3DBuffer(const OpenAlSoundBuffer& buffer) : buffer_(buffer) {}

 protected:
  void ApplyPosition(Vector3 position) override {
    const Vector3 al = ToOpenAlAxes(position);
    Select();
    alSource3f(buffer_.source(), AL_POSITION, al.x, al.y, al.z);
    CheckAlError("Placing a 3D sound");
  }
  void ApplyMinDistance(float distance) override {
    Select();
    alSourcef(buffer_.source(), AL_REFERENCE_DISTANCE, distance);
    CheckAlError("Setting a 3D sound's minimum distance");
  }
  void ApplyConeAngles(int32_t inside_degrees, int32_t outside_degrees) override {
    Select();
    alSourcef(buffer_.source(), AL_CONE_INNER_ANGLE, static_cast<float>(inside_degrees));
    alSourcef(buffer_.source(), AL_CONE_OUTER_ANGLE, static_cast<float>(outside_degrees));
    CheckAlError("Setting a 3D sound's cone");
  }

 private:
  void Select() { buffer_.pcm()->context()->MakeCurrent(); }

  const OpenAlSoundBuffer& buffer_;
};

}  // namespace

OpenAlPcm::OpenAlPcm(std::shared_ptr<OpenAlContext> context, const WaveFormat& format,
                     std::vector<uint8_t> pcm, bool writable)
    : context_(std::move(context)), format_(format), bytes_(static_cast<int32_t>(pcm.size())) {
  context_->MakeCurrent();
  alGenBuffers(1, &buffer_);
  CheckAlError("Creating a sound buffer");
  Upload(pcm);
  if (writable) copy_ = std::move(pcm);
}

OpenAlPcm::~OpenAlPcm() {
  // Nothing to report to from a destructor: a failure here only leaks the buffer until the
  // device closes.
  if (TryStep([this] { context_->MakeCurrent(); })) {
    alDeleteBuffers(1, &buffer_);
    // Refused while a source let go of still fades out with it: deleted after that source.
    if (alGetError() != AL_NO_ERROR) context_->DeleteBufferWhenUnused(buffer_);
  }
}

void OpenAlPcm::Upload(const std::vector<uint8_t>& pcm) {
  alBufferData(buffer_, AlFormat(format_), pcm.data(), static_cast<ALsizei>(pcm.size()),
               format_.SamplesPerSec);
  CheckAlError("Filling a sound buffer");
}

void OpenAlPcm::Write(int32_t offset, int32_t bytes, const void* data) {
  std::vector<uint8_t> updated = copy_;  // kept apart until OpenAL has taken it
  if (bytes > 0) std::memcpy(updated.data() + offset, data, static_cast<size_t>(bytes));
  context_->MakeCurrent();
  Upload(updated);
  copy_ = std::move(updated);
}

OpenAlSoundBuffer::OpenAlSoundBuffer(int32_t flags, std::shared_ptr<OpenAlPcm> pcm, bool writable)
    : SoundBuffer(flags, pcm->format(), pcm->bytes(), writable), pcm_(std::move(pcm)) {
  OpenAlContext& context = *pcm_->context();
  context.MakeCurrent();
  alGenSources(1, &source_);
  CheckAlError("Creating a sound source");
  context.RegisterSource(source_);
  // Gains above 1 keep the near side of a panned sound at full level. An OpenAL that refuses them
  // (Emscripten's, over Web Audio) plays panned sounds a little quieter instead.
  alSourcef(source_, AL_MAX_GAIN, kMaxSourceGain);
  alGetError();
  alSourcei(source_, AL_BUFFER, static_cast<ALint>(pcm_->id()));
  if (Is3D()) {
    alSourcei(source_, AL_SOURCE_RELATIVE, AL_FALSE);
    alSourcef(source_, AL_ROLLOFF_FACTOR, context.rolloff_factor());
    alSourcef(source_, AL_REFERENCE_DISTANCE, kDefaultMinDistance);
    alSourcef(source_, AL_MAX_DISTANCE, kDefaultMaxDistance);
    context.Register3DSource(source_);
  } else {
    // Placed around the listener's head by the pan, never attenuated by distance. Stereo data
    // goes straight to the left and right outputs, as DirectSound plays it.
    alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source_, AL_ROLLOFF_FACTOR, 0.0f);
    if (pcm_->format().Channels == 2 && alIsExtensionPresent("AL_SOFT_direct_channels")) {
      alSourcei(source_, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    }
  }
  ApplyGainAndPlacement(0, 0);
}

OpenAlSoundBuffer::~OpenAlSoundBuffer() {
  OpenAlContext& context = *pcm_->context();
  if (Is3D()) context.Unregister3DSource(source_);
  context.UnregisterSource(source_);
  if (!TryStep([&context] { context.MakeCurrent(); })) return;
  if (fading_) context.CancelFade(fade_);
  // A sound let go of while it plays fades out as a stopped one does; its source goes after.
  ALint state = AL_INITIAL;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  if (kFadeByGain && state == AL_PLAYING) {
    alSourcef(source_, AL_GAIN, 0.0f);
    context.DeleteAfterFade({source_}, {});
  } else {
    alDeleteSources(1, &source_);
  }
  alGetError();  // nothing to report to from a destructor
}

void OpenAlSoundBuffer::Select() {
  OpenAlContext& context = *pcm_->context();
  context.SettleFades();
  context.MakeCurrent();
}

void OpenAlSoundBuffer::ApplyGainAndPlacement(int32_t volume, int32_t pan) {
  pcm_->context()->MakeCurrent();
  if (fading_) return;  // stays silent; FinishFade gives the source its settings
  ApplyVolumeAndPan(source_, volume, pan, !Is3D() && pcm_->format().Channels == 1);
}

void OpenAlSoundBuffer::FinishFade() {
  if (!fading_) return;
  pcm_->context()->CancelFade(fade_);
  pcm_->context()->MakeCurrent();
  fading_ = false;
  ALint state = AL_INITIAL;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  if (state == AL_PLAYING) alSourcePause(source_);
  alSourcei(source_, AL_SAMPLE_OFFSET, stopped_at_);
  CheckAlError("Stopping a sound");
  ApplyGainAndPlacement(volume(), pan());
}

void OpenAlSoundBuffer::ApplyVolume(int32_t hundredths_db) {
  Select();
  ApplyGainAndPlacement(hundredths_db, pan());
}

void OpenAlSoundBuffer::ApplyPan(int32_t hundredths_db) {
  Select();
  ApplyGainAndPlacement(volume(), hundredths_db);
}

void OpenAlSoundBuffer::ApplyFrequency(int32_t hertz) {
  Select();
  alSourcef(source_, AL_PITCH, FrequencyToPitch(hertz, pcm_->format().SamplesPerSec));
  CheckAlError("Setting a sound's frequency");
}

void OpenAlSoundBuffer::ApplyCopiedSettings() {
  ApplyGainAndPlacement(volume(), pan());
  ApplyFrequency(GetFrequency());
}

void OpenAlSoundBuffer::ApplyPosition(int32_t byte_offset) {
  Select();
  FinishFade();
  // A sound that has played to its end starts over from its beginning anyway; rewinding it first
  // also keeps Emscripten's OpenAL from failing to seek in a queue it has finished.
  ALint state = AL_INITIAL;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  if (state == AL_STOPPED) alSourceRewind(source_);
  alSourcei(source_, AL_BYTE_OFFSET, byte_offset);
  CheckAlError("Setting a sound's play position");
}

void OpenAlSoundBuffer::StartPlaying(bool looping) {
  Select();
  FinishFade();
  alSourcei(source_, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
  ALint state = AL_INITIAL;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  // Playing again only changes the looping: alSourcePlay would start a playing source over.
  if (state != AL_PLAYING) {
    pcm_->context()->Wake();
    alSourcePlay(source_);
  }
  CheckAlError("Playing a sound");
}

// Cutting a sound off within a sample is heard as a click. Its gain goes to 0 instead, which
// OpenAL Soft ramps over its next mixing period (a few milliseconds); the position it stopped at
// is kept, as a stopped DirectSound buffer keeps it, for when it plays again.
void OpenAlSoundBuffer::StopPlaying() {
  Select();
  ALint state = AL_INITIAL;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  if (state != AL_PLAYING || fading_) return;
  if (!kFadeByGain) {
    alSourcePause(source_);  // pausing keeps the position
    CheckAlError("Stopping a sound");
    return;
  }
  alGetSourcei(source_, AL_SAMPLE_OFFSET, &stopped_at_);
  alSourcef(source_, AL_GAIN, 0.0f);
  CheckAlError("Stopping a sound");
  fading_ = true;
  // Once faded, the source pauses for good, so that a stopped loop costs the mixer nothing.
  fade_ = pcm_->context()->AfterFade([this] { FinishFade(); });
}

int32_t OpenAlSoundBuffer::PlayingStatus() {
  Select();
  ALint state = AL_INITIAL, looping = AL_FALSE;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  alGetSourcei(source_, AL_LOOPING, &looping);
  CheckAlError("Reading a sound's status");
  if (state != AL_PLAYING || fading_) {
    pcm_->context()->RestIfSilent();  // the game waits for its sounds' ends by asking
    return 0;
  }
  return DSBSTATUS_PLAYING | (looping == AL_TRUE ? DSBSTATUS_LOOPING : 0);
}

void OpenAlSoundBuffer::WriteData(int32_t offset, int32_t bytes, const void* data) {
  // OpenAL lets only a buffer no source uses take new data: detach ours for the upload.
  Select();
  FinishFade();
  alSourceStop(source_);
  alSourcei(source_, AL_BUFFER, 0);
  CheckAlError("Detaching a sound buffer");
  try {
    pcm_->Write(offset, bytes, data);
  } catch (const PlatformError&) {
    alSourcei(source_, AL_BUFFER, static_cast<ALint>(pcm_->id()));
    throw;
  }
  alSourcei(source_, AL_BUFFER, static_cast<ALint>(pcm_->id()));
  CheckAlError("Reattaching a sound buffer");
}

std::shared_ptr<Sound3DBuffer> OpenAlSoundBuffer::Make3DBuffer() {
  return std::make_shared<OpenAl3DBuffer>(*this);
}

}  // namespace veltro::platform::desktop
