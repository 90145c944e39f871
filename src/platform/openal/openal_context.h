// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace veltro::platform::desktop {

// OpenAL Soft (1.19) stops or pauses a source within a sample, but ramps a change of gain over
// its next mixing period: a stop fades out by taking the gain to 0. The browser's OpenAL fades a
// paused source's output itself (web/openal_fades.js).
#ifdef __EMSCRIPTEN__
constexpr bool kFadeByGain = false;  // a gain set there takes effect at once
#else
constexpr bool kFadeByGain = true;
#endif

// One OpenAL Soft device with its context: a real output device, or a loopback device that renders
// into memory for tests. Every object made on it keeps it alive; its calls run on the UI thread.
class OpenAlContext {
 public:
  // The named output device, or the default one for an empty name. Throws PlatformError when
  // there is none.
  static std::shared_ptr<OpenAlContext> OpenOutput(const std::string& device_name);
  // A loopback device mixing stereo float samples at `sample_rate`.
  static std::shared_ptr<OpenAlContext> OpenLoopback(int sample_rate);

  OpenAlContext(const OpenAlContext&) = delete;
  OpenAlContext& operator=(const OpenAlContext&) = delete;
  ~OpenAlContext();

  // Makes this context the one OpenAL calls go to; call before every group of AL calls.
  void MakeCurrent();
  // Makes it the context of the calling thread alone: for a thread that feeds sources by itself
  // while the user-interface thread works on other contexts.
  void MakeCurrentOnThisThread();
  // Leaves the calling thread without a context of its own, before the thread ends.
  static void ReleaseThisThread();

  ALCdevice* device() const { return device_; }

  // Mixes `frames` stereo frames (left, right interleaved). Loopback devices only.
  std::vector<float> Render(int frames);

  // The listener's rolloff factor, which DirectSound applies to every 3D buffer and OpenAL sets
  // per source: 3D sources register here and follow it.
  float rolloff_factor() const { return rolloff_factor_; }
  void SetRolloffFactor(float factor);
  void Register3DSource(ALuint source) { sources_3d_.insert(source); }
  void Unregister3DSource(ALuint source) { sources_3d_.erase(source); }

  // Fades. A stop takes a source's gain to 0, which OpenAL Soft ramps over its next mixing
  // period; the source plays on silently until the device has mixed past that ramp.
  using FadeId = uint64_t;
  // `finish` runs at the first SettleFades once the fade just begun has been mixed.
  FadeId AfterFade(std::function<void()> finish);
  void CancelFade(FadeId id);
  // Sources let go of while they fade out: deleted, with the buffers queued on them, once faded.
  void DeleteAfterFade(std::vector<ALuint> sources, std::vector<ALuint> buffers);
  // A buffer a fading source still plays: deleted once no source uses it.
  void DeleteBufferWhenUnused(ALuint buffer);
  // Finishes the fades the device has mixed past. Called from the user-interface thread at its
  // calls into the device, so that a silent source costs the mixer no longer than until then.
  void SettleFades();
  // Every source made on the device, for RestIfSilent.
  void RegisterSource(ALuint source) { sources_.insert(source); }
  void UnregisterSource(ALuint source) { sources_.erase(source); }
  // An output device none of whose sources plays stops mixing: a sound server would otherwise
  // go on taking its silence, period after period. Wake starts it again; call it before a source
  // plays. Loopback devices, and OpenALs without ALC_SOFT_pause_device, never rest.
  void RestIfSilent();
  void Wake();
  bool resting() const { return resting_; }

 private:
  OpenAlContext(ALCdevice* device, bool loopback) : device_(device), loopback_(loopback) {}
  void CreateContext(const std::vector<ALCint>& attributes);
  // How far the device has mixed, in nanoseconds of sound.
  int64_t MixedNanoseconds();
  // Runs the finishes of the fades mixed past (all of them when `all`).
  void RunFinishedFades(bool all);

  ALCdevice* device_;
  ALCcontext* context_ = nullptr;
  bool loopback_;
  float rolloff_factor_ = 1.0f;
  std::set<ALuint> sources_3d_;

  struct Fade {
    int64_t done_at;  // MixedNanoseconds once the fade has been mixed
    std::function<void()> finish;
  };
  std::mutex fades_mutex_;  // the MP3 player's thread lets go of its sources too
  std::map<FadeId, Fade> fades_;
  FadeId next_fade_ = 1;
  int64_t period_nanoseconds_ = 25'000'000;  // until the device tells its own
  void* get_clock_ = nullptr;                // the device clock's query, where it has one
  std::vector<ALuint> unused_buffers_;       // waiting for their sources to go
  std::set<ALuint> sources_;
  bool resting_ = false;
};

// Throws PlatformError naming `what` when the last AL calls raised an error.
void CheckAlError(const char* what);

}  // namespace veltro::platform::desktop
