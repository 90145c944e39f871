#include "platform/desktop/openal_sound_buffer.h"

#include <AL/alext.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "platform/audio_file.h"
#include "platform/desktop/sound_conversions.h"
#include "platform/platform_error.h"

namespace veltro::platform::desktop {
namespace {

constexpr int32_t kMaxPan = 10000;
// Above 1 so that a panned sound can be raised to keep its near channel at full level.
constexpr float kMaxSourceGain = 4.0f;
// DirectSound's defaults for a new 3D buffer.
constexpr float kDefaultMinDistance = 1.0f;
constexpr float kDefaultMaxDistance = 1e9f;

ALenum AlFormat(const WaveFormat& format) {
  if (format.Channels == 1) return format.BitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
  return format.BitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

void RequireControl(int32_t flags, int32_t control, const char* what) {
  if ((flags & control) == 0) {
    throw PlatformError(std::string("The sound buffer has no ") + what + " control");
  }
}

// The 3D interface of a buffer made with 3D control.
class OpenAl3DBuffer : public Sound3DBuffer {
 public:
  explicit OpenAl3DBuffer(std::shared_ptr<OpenAlSoundBuffer> buffer) : buffer_(std::move(buffer)) {}

  void SetPosition(Vector3 position, int32_t apply) override {
    // A deferred position would be heard only once deferred settings are committed, which this
    // program never does; it is kept here and not applied.
    if (apply == DS3D_DEFERRED) {
      deferred_position_ = position;
      return;
    }
    const Vector3 al = ToOpenAlAxes(position);
    Select();
    alSource3f(buffer_->source(), AL_POSITION, al.x, al.y, al.z);
    CheckAlError("Placing a 3D sound");
  }

  void SetMinDistance(float distance, int32_t /*apply*/) override {
    if (!(distance > 0)) throw PlatformError("The minimum distance must be positive");
    Select();
    alSourcef(buffer_->source(), AL_REFERENCE_DISTANCE, distance);
    CheckAlError("Setting a 3D sound's minimum distance");
  }

  void SetConeAngles(int32_t inside_degrees, int32_t outside_degrees, int32_t /*apply*/) override {
    if (inside_degrees < 0 || outside_degrees > 360 || inside_degrees > outside_degrees) {
      throw PlatformError("Cone angles must satisfy 0 <= inside <= outside <= 360");
    }
    Select();
    alSourcef(buffer_->source(), AL_CONE_INNER_ANGLE, static_cast<float>(inside_degrees));
    alSourcef(buffer_->source(), AL_CONE_OUTER_ANGLE, static_cast<float>(outside_degrees));
    CheckAlError("Setting a 3D sound's cone");
  }

 private:
  void Select() { buffer_->pcm()->context()->MakeCurrent(); }

  std::shared_ptr<OpenAlSoundBuffer> buffer_;
  Vector3 deferred_position_;
};

}  // namespace

OpenAlPcm::OpenAlPcm(std::shared_ptr<OpenAlContext> context, const WaveFormat& format,
                     std::vector<uint8_t> pcm, bool writable)
    : context_(std::move(context)),
      format_(format),
      bytes_(static_cast<int32_t>(pcm.size())),
      writable_(writable) {
  context_->MakeCurrent();
  alGenBuffers(1, &buffer_);
  CheckAlError("Creating a sound buffer");
  Upload(pcm);
  if (writable_) copy_ = std::move(pcm);
}

OpenAlPcm::~OpenAlPcm() {
  // Nothing to report to from a destructor: a failure here only leaks the buffer until the
  // device closes.
  if (TryStep([this] { context_->MakeCurrent(); })) {
    alDeleteBuffers(1, &buffer_);
    alGetError();
  }
}

void OpenAlPcm::Upload(const std::vector<uint8_t>& pcm) {
  alBufferData(buffer_, AlFormat(format_), pcm.data(), static_cast<ALsizei>(pcm.size()),
               format_.SamplesPerSec);
  CheckAlError("Filling a sound buffer");
}

void OpenAlPcm::Write(int32_t offset, int32_t bytes, const void* data) {
  if (!writable_) throw PlatformError("A sound buffer made from a file cannot be rewritten");
  std::vector<uint8_t> updated = copy_;  // kept apart until OpenAL has taken it
  if (bytes > 0) std::memcpy(updated.data() + offset, data, static_cast<size_t>(bytes));
  context_->MakeCurrent();
  Upload(updated);
  copy_ = std::move(updated);
}

OpenAlSoundBuffer::OpenAlSoundBuffer(int32_t flags, std::shared_ptr<OpenAlPcm> pcm)
    : flags_(flags), pcm_(std::move(pcm)) {
  OpenAlContext& context = *pcm_->context();
  context.MakeCurrent();
  alGenSources(1, &source_);
  CheckAlError("Creating a sound source");
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
  ApplyGainAndPlacement();
}

OpenAlSoundBuffer::~OpenAlSoundBuffer() {
  OpenAlContext& context = *pcm_->context();
  if (Is3D()) context.Unregister3DSource(source_);
  if (TryStep([&context] { context.MakeCurrent(); })) {
    alDeleteSources(1, &source_);
    alGetError();  // nothing to report to from a destructor
  }
}

void OpenAlSoundBuffer::ApplyGainAndPlacement() {
  float gain = VolumeToGain(volume_);
  if (!Is3D() && pcm_->format().Channels == 1) {
    const PanPlacement placement = PanToPlacement(pan_);
    const double radians = placement.angle_degrees * std::numbers::pi / 180;
    alSource3f(source_, AL_POSITION, static_cast<float>(std::sin(radians)), 0.0f,
               static_cast<float>(-std::cos(radians)));
    gain *= placement.gain;
  }
  alSourcef(source_, AL_GAIN, gain);
  CheckAlError("Setting a sound's volume or pan");
}

void OpenAlSoundBuffer::SetVolume(int32_t hundredths_db) {
  RequireControl(flags_, DSBCAPS_CTRLVOLUME, "volume");
  if (hundredths_db < -10000 || hundredths_db > 0) {
    throw PlatformError("Volume out of range: " + std::to_string(hundredths_db));
  }
  pcm_->context()->MakeCurrent();
  volume_ = hundredths_db;
  ApplyGainAndPlacement();
}

void OpenAlSoundBuffer::SetPan(int32_t hundredths_db) {
  RequireControl(flags_, DSBCAPS_CTRLPAN, "pan");
  if (hundredths_db < -kMaxPan || hundredths_db > kMaxPan) {
    throw PlatformError("Pan out of range: " + std::to_string(hundredths_db));
  }
  pcm_->context()->MakeCurrent();
  pan_ = hundredths_db;
  ApplyGainAndPlacement();
}

void OpenAlSoundBuffer::SetFrequency(int32_t hertz) {
  RequireControl(flags_, DSBCAPS_CTRLFREQUENCY, "frequency");
  if (hertz != 0 && (hertz < kMinBufferFrequency || hertz > kMaxBufferFrequency)) {
    throw PlatformError("Frequency out of range: " + std::to_string(hertz));
  }
  pcm_->context()->MakeCurrent();
  alSourcef(source_, AL_PITCH, FrequencyToPitch(hertz, pcm_->format().SamplesPerSec));
  CheckAlError("Setting a sound's frequency");
  frequency_ = hertz;
}

int32_t OpenAlSoundBuffer::GetFrequency() {
  return frequency_ != 0 ? frequency_ : pcm_->format().SamplesPerSec;
}

void OpenAlSoundBuffer::SetCurrentPosition(int32_t byte_offset) {
  if (byte_offset < 0 || byte_offset >= pcm_->bytes()) {
    throw PlatformError("Play position out of range: " + std::to_string(byte_offset));
  }
  pcm_->context()->MakeCurrent();
  // A sound that has played to its end starts over from its beginning anyway; rewinding it first
  // also keeps Emscripten's OpenAL from failing to seek in a queue it has finished.
  ALint state = AL_INITIAL;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  if (state == AL_STOPPED) alSourceRewind(source_);
  alSourcei(source_, AL_BYTE_OFFSET, byte_offset);
  CheckAlError("Setting a sound's play position");
}

void OpenAlSoundBuffer::Play(int32_t flags) {
  pcm_->context()->MakeCurrent();
  alSourcei(source_, AL_LOOPING, (flags & DSBPLAY_LOOPING) != 0 ? AL_TRUE : AL_FALSE);
  ALint state = AL_INITIAL;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  // Playing again only changes the looping: alSourcePlay would start a playing source over.
  if (state != AL_PLAYING) alSourcePlay(source_);
  CheckAlError("Playing a sound");
}

void OpenAlSoundBuffer::Stop() {
  pcm_->context()->MakeCurrent();
  ALint state = AL_INITIAL;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  // Pausing keeps the position, as a stopped DirectSound buffer does.
  if (state == AL_PLAYING) alSourcePause(source_);
  CheckAlError("Stopping a sound");
}

int32_t OpenAlSoundBuffer::GetStatus() {
  pcm_->context()->MakeCurrent();
  ALint state = AL_INITIAL, looping = AL_FALSE;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  alGetSourcei(source_, AL_LOOPING, &looping);
  CheckAlError("Reading a sound's status");
  if (state != AL_PLAYING) return 0;
  return DSBSTATUS_PLAYING | (looping == AL_TRUE ? DSBSTATUS_LOOPING : 0);
}

WaveFormat OpenAlSoundBuffer::GetFormat() {
  return pcm_->format();
}

void OpenAlSoundBuffer::WriteBuffer(int32_t offset, int32_t bytes, const void* data,
                                    int32_t lock_flags) {
  if ((lock_flags & DSBLOCK_ENTIREBUFFER) != 0) offset = 0;
  if (offset < 0 || bytes < 0 || int64_t{offset} + bytes > pcm_->bytes() || (bytes > 0 && !data)) {
    throw PlatformError("Write outside the sound buffer");
  }
  if ((GetStatus() & DSBSTATUS_PLAYING) != 0) {
    throw PlatformError("A playing sound buffer cannot be rewritten");
  }
  // OpenAL lets only a buffer no source uses take new data: detach ours for the upload.
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

std::shared_ptr<Sound3DBuffer> OpenAlSoundBuffer::GetDirectSound3DBuffer() {
  RequireControl(flags_, DSBCAPS_CTRL3D, "3D");
  return std::make_shared<OpenAl3DBuffer>(shared_from_this());
}

std::shared_ptr<OpenAlSoundBuffer> OpenAlSoundBuffer::Duplicate() {
  auto copy = std::make_shared<OpenAlSoundBuffer>(flags_, pcm_);
  copy->volume_ = volume_;
  copy->pan_ = pan_;
  copy->ApplyGainAndPlacement();
  if (frequency_ != 0) copy->SetFrequency(frequency_);
  return copy;
}

}  // namespace veltro::platform::desktop
