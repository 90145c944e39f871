// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/openal/openal_streams.h"

#include <AL/alext.h>

#include <algorithm>
#include <chrono>
#include <system_error>

#include "platform/base/platform_error.h"
#include "platform/openal/sound_conversions.h"

namespace veltro::platform::desktop {
namespace {

// Above 1 so that a panned mono stream can be raised to keep its near channel at full level.
constexpr float kMaxSourceGain = 4.0f;
// The MP3 player's thread keeps this much queued and looks again this often.
constexpr double kPlayerAheadSeconds = 1.0;
constexpr auto kPlayerPumpInterval = std::chrono::milliseconds(20);

}  // namespace

OpenAlStreamVoice::OpenAlStreamVoice(std::shared_ptr<OpenAlContext> context, int channels,
                                     int32_t samples_per_second)
    : context_(std::move(context)), channels_(channels), rate_(samples_per_second) {
  if (channels_ < 1 || channels_ > 2) throw PlatformError("A stream must be mono or stereo");
  context_->MakeCurrent();
  CreateSources();
}

void OpenAlStreamVoice::CreateSources() {
  sources_.assign(static_cast<size_t>(channels_), 0);
  alGenSources(channels_, sources_.data());
  CheckAlError("Creating a stream source");
  for (ALuint source : sources_) context_->RegisterSource(source);
  for (ALuint source : sources_) {
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    alSourcef(source, AL_MAX_GAIN, kMaxSourceGain);
    alSourcef(source, AL_PITCH, pitch_);
  }
  ApplyGainAndPlacement();
}

OpenAlStreamVoice::~OpenAlStreamVoice() {
  for (ALuint source : sources_) context_->UnregisterSource(source);
  if (!TryStep([this] { context_->MakeCurrent(); })) return;
  if (!LetGoFadingOut()) {
    alSourceStopv(channels_, sources_.data());
    for (ALuint source : sources_) alSourcei(source, AL_BUFFER, 0);
    alDeleteSources(channels_, sources_.data());
    for (const auto& [buffer, frames] : frames_of_) alDeleteBuffers(1, &buffer);
  }
  alGetError();  // nothing to report to from a destructor
}

bool OpenAlStreamVoice::LetGoFadingOut() {
  if (!fading_ && !(kFadeByGain && State() == AL_PLAYING)) return false;
  if (fading_) context_->CancelFade(fade_);
  for (ALuint source : sources_) alSourcef(source, AL_GAIN, 0.0f);
  std::vector<ALuint> buffers;
  for (const auto& [buffer, frames] : frames_of_) buffers.push_back(buffer);
  context_->DeleteAfterFade(sources_, std::move(buffers));
  sources_.clear();
  frames_of_.clear();
  free_.clear();
  fading_ = false;
  return true;
}

void OpenAlStreamVoice::FinishFade() {
  if (!fading_) return;
  context_->CancelFade(fade_);
  fading_ = false;
  for (size_t channel = 0; channel < sources_.size(); ++channel) {
    const ALuint source = sources_[channel];
    ALint state = AL_INITIAL;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING) alSourcePause(source);
    // A source that ran dry while fading starts over from its queue's head.
    if (state == AL_STOPPED) alSourceRewind(source);
    alSourcei(source, AL_SAMPLE_OFFSET, paused_at_[channel]);
  }
  CheckAlError("Pausing a stream");
  ApplyGainAndPlacement();
}

ALint OpenAlStreamVoice::State() {
  ALint state = AL_INITIAL;
  alGetSourcei(sources_[0], AL_SOURCE_STATE, &state);
  return state;
}

// The sources play in step: the left one's count stands for both.
void OpenAlStreamVoice::Reclaim() {
  for (size_t channel = 0; channel < sources_.size(); ++channel) {
    ALint processed = 0;
    alGetSourcei(sources_[channel], AL_BUFFERS_PROCESSED, &processed);
    for (ALint i = 0; i < processed; ++i) {
      ALuint buffer = 0;
      alSourceUnqueueBuffers(sources_[channel], 1, &buffer);
      if (alGetError() != AL_NO_ERROR) break;
      if (channel == 0) reclaimed_ += frames_of_[buffer];
      free_.push_back(buffer);
    }
  }
}

void OpenAlStreamVoice::Queue(const int16_t* pcm, int64_t frames) {
  context_->MakeCurrent();
  FinishFade();
  Reclaim();
  // A stopped source counts everything queued on it as played: sources that ran dry go back to
  // their initial state before they take new buffers.
  if (State() == AL_STOPPED) alSourceRewindv(channels_, sources_.data());
  channel_.resize(static_cast<size_t>(frames));
  for (int channel = 0; channel < channels_; ++channel) {
    for (int64_t frame = 0; frame < frames; ++frame) {
      channel_[static_cast<size_t>(frame)] = pcm[frame * channels_ + channel];
    }
    ALuint buffer = 0;
    if (free_.empty()) {
      alGenBuffers(1, &buffer);
      CheckAlError("Creating a stream buffer");
    } else {
      buffer = free_.back();
      free_.pop_back();
    }
    frames_of_[buffer] = frames;
    alBufferData(buffer, AL_FORMAT_MONO16, channel_.data(), static_cast<ALsizei>(frames * 2),
                 rate_);
    alSourceQueueBuffers(sources_[static_cast<size_t>(channel)], 1, &buffer);
    if (alGetError() != AL_NO_ERROR) {
      free_.push_back(buffer);
      throw PlatformError("Queueing a stream buffer failed");
    }
  }
  queued_ += frames;
}

int64_t OpenAlStreamVoice::PlayedFrames() {
  if (fading_) return std::min(reclaimed_ + paused_at_[0], queued_);
  context_->MakeCurrent();
  Reclaim();
  ALint offset = 0;
  alGetSourcei(sources_[0], AL_SAMPLE_OFFSET, &offset);
  CheckAlError("Reading a stream's position");
  return std::min(reclaimed_ + offset, queued_);
}

void OpenAlStreamVoice::Play() {
  context_->MakeCurrent();
  FinishFade();
  context_->Wake();
  alSourcePlayv(channels_, sources_.data());
  CheckAlError("Playing a stream");
}

// Pausing a source within a sample is heard as a click: a playing stream's gain goes to 0
// instead, and its sources pause where they were once they are needed again.
void OpenAlStreamVoice::Pause() {
  context_->MakeCurrent();
  if (fading_) return;
  if (!kFadeByGain || State() != AL_PLAYING) {
    alSourcePausev(channels_, sources_.data());
    CheckAlError("Pausing a stream");
    return;
  }
  Reclaim();
  paused_at_.assign(sources_.size(), 0);
  for (size_t channel = 0; channel < sources_.size(); ++channel) {
    alGetSourcei(sources_[channel], AL_SAMPLE_OFFSET, &paused_at_[channel]);
    alSourcef(sources_[channel], AL_GAIN, 0.0f);
  }
  CheckAlError("Pausing a stream");
  fading_ = true;
  fade_ = context_->AfterFade([this] { FinishFade(); });
}

void OpenAlStreamVoice::Flush() {
  context_->MakeCurrent();
  if (LetGoFadingOut()) {
    CreateSources();  // what is heard fades out on its own sources; these take what comes next
  } else {
    alSourceStopv(channels_, sources_.data());
    for (ALuint source : sources_) alSourcei(source, AL_BUFFER, 0);  // unqueues every buffer
    CheckAlError("Emptying a stream");
    free_.clear();
    for (const auto& [buffer, frames] : frames_of_) free_.push_back(buffer);
  }
  queued_ = reclaimed_ = 0;
}

bool OpenAlStreamVoice::Running() {
  if (fading_) return false;
  context_->MakeCurrent();
  const ALint state = State();
  CheckAlError("Reading a stream's state");
  return state == AL_PLAYING;
}

// A stereo stream's pan takes its far channel down by the pan, the near one stays.
void OpenAlStreamVoice::ApplyGainAndPlacement() {
  if (fading_) return;  // stays silent; FinishFade gives the sources their gains
  if (channels_ == 1) {
    ApplyVolumeAndPan(sources_[0], volume_, pan_, true);
    return;
  }
  ApplyVolumeAndPan(sources_[0], volume_ - std::max(pan_, 0), -10000, true);
  ApplyVolumeAndPan(sources_[1], volume_ + std::min(pan_, 0), 10000, true);
}

void OpenAlStreamVoice::SetVolume(int32_t hundredths_db) {
  context_->MakeCurrent();
  volume_ = hundredths_db;
  ApplyGainAndPlacement();
}

void OpenAlStreamVoice::SetPan(int32_t hundredths_db) {
  context_->MakeCurrent();
  pan_ = hundredths_db;
  ApplyGainAndPlacement();
}

void OpenAlStreamVoice::SetPitch(double pitch) {
  context_->MakeCurrent();
  pitch_ = static_cast<float>(pitch);
  for (ALuint source : sources_) alSourcef(source, AL_PITCH, pitch_);
  CheckAlError("Setting a stream's rate");
}

std::unique_ptr<StreamVoice> OpenAlStreamVoices::CreateStreamVoice(int channels,
                                                                   int32_t samples_per_second) {
  std::shared_ptr<OpenAlContext> context = system_.CurrentContext();
  if (!context) throw PlatformError("No sound device is open to play a stream");
  return std::make_unique<OpenAlStreamVoice>(std::move(context), channels, samples_per_second);
}

OpenAlFilgraph::OpenAlFilgraph(StreamDecoders& decoders, OpenAlStreamVoices& voices,
                               std::shared_ptr<OpenAlContext> context)
    : StreamGraph(decoders, voices), context_(std::move(context)) {
  // Where threads cannot start (a browser build without them), every call feeds the player.
  try {
    thread_ = std::thread([this] { Feed(); });
  } catch (const std::system_error&) {
    threadless_ = true;
  }
}

OpenAlFilgraph::~OpenAlFilgraph() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void OpenAlFilgraph::BeforeCall() {
  if (threadless_) Pump(kPlayerAheadSeconds);
}

void OpenAlFilgraph::OnChange() {
  change_ = true;
  changed_.notify_one();
}

void OpenAlFilgraph::Feed() {
  // Its own context on this thread, so that the user-interface thread's choice never moves it.
  if (context_) TryStep([this] { context_->MakeCurrentOnThisThread(); });
  std::unique_lock lock(mutex_);
  for (;;) {
    bool busy = false;
    TryStep([&] { busy = Pump(kPlayerAheadSeconds); });
    // Playing, it looks again soon; otherwise it sleeps until something changes.
    const auto woken = [this] { return quit_ || change_; };
    if (busy) {
      changed_.wait_for(lock, kPlayerPumpInterval, woken);
    } else {
      changed_.wait(lock, woken);
    }
    change_ = false;
    if (quit_) break;
  }
  OpenAlContext::ReleaseThisThread();
}

std::shared_ptr<FilgraphManager> OpenAlDirectShow::NewFilgraphManager() {
  return std::make_shared<OpenAlFilgraph>(decoders_, voices_, system_.CurrentContext());
}

}  // namespace veltro::platform::desktop
