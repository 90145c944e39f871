#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace veltro::platform::desktop {

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

  ALCdevice* device_;
  ALCcontext* context_ = nullptr;
  bool loopback_;
  float rolloff_factor_ = 1.0f;
  std::set<ALuint> sources_3d_;
  std::set<ALuint> sources_;
  bool resting_ = false;
};

// Throws PlatformError naming `what` when the last AL calls raised an error.
void CheckAlError(const char* what);

}  // namespace veltro::platform::desktop
