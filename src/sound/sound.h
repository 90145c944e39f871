// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/filter_graph.h"
#include "platform/audio/ogg_library.h"
#include "platform/audio/sound_device.h"
#include "platform/events/user_interface.h"
#include "sound/handles.h"
#include "sound/ports.h"
#include "sound/sounds_ini.h"
#include "sound/stream_slots.h"

namespace veltro::sound {

// One WAV slot: a loaded sound in its own device buffer, and what PlaySound knows of it.
struct WavSlot {
  std::shared_ptr<platform::SoundBuffer> DSBuffer;
  std::shared_ptr<platform::Sound3DBuffer> DS3DBuffer;
  platform::BufferDesc BufferDesc;  // what OpenSound last created the buffer with
  platform::WaveFormat WaveFormat;  // the format OpenSound last set or read
  std::string SlotFile;             // the upper-case sound name; "" when free
  int16_t SlotMode = 0;             // reuse class
};

// The sound engine: WAV slots that cache loaded sounds, OGG and MP3 stream slots, the sound
// device with its primary buffer and 3D listener, and the settings read from sounds.ini. Its
// implementation is split by responsibility:
//   sound.cpp            construction, destruction, checked access to slots and device objects
//   start_up.cpp         DSInit (sounds.ini, stream slots, device, OGG library) and its 10 ms tick
//   play_sound.cpp       PlaySound: the name, the speech marks, the copy or load, the start
//   slots.cpp            the cache search and the choice of a slot for a new sound
//   open_sound.cpp       OpenSound: one WAV or OGG file into one WAV slot
//   playback.cpp         IsPlaying, StopPlay, PlayOpenedSound, StopSoundQ
//   sound_parameters.cpp volume, pan, frequency and start position
//   sound_3d.cpp         3D positions and the listener
//   stream_start.cpp     PlayOGGSound and PlayMP3Sound: the slot search by class, the start
//   stream_pause.cpp     pausing and resuming all streams of a kind, or one
//   streams.cpp          the stream side of every operation that takes a handle
//   release.cpp          DeleteSound, KillAllSounds, ResetSounds and the shut-down
//   handles.h            what a handle names: its kind (WAV, OGG, MP3) and slot, decoded once
//
// Volumes and pans are in hundredths of a decibel, frequencies in hertz.
class Sound {
 public:
  static constexpr int16_t kWavSlots = 100;  // slots 0..100; handles use 1..100

  // `AppPath` is the game's program folder with a trailing "/", read whenever a name is resolved
  // (it is still empty at the first DSInit).
  Sound(const platform::UserInterface& ui, platform::SoundSystem& dx, platform::OggLibrary& ogg,
        platform::DirectShow& direct_show, SoundSpeech& speech, const std::string& AppPath);
  ~Sound();
  Sound(const Sound&) = delete;
  Sound& operator=(const Sound&) = delete;

  // Start-up: reads sounds.ini, makes the stream slots, opens the device, starts the OGG library.
  void DSInit();

  // Loading (the caller picks the slot): 1 when slot `i` now holds the sound, else 0.
  int32_t OpenSound(int16_t i, const std::string& WaveFile, int16_t DSFlags);

  // Playing, stopping and querying.
  int16_t PlaySound(const std::string& waveFileIn, int16_t& Volume, int32_t& Frequency,
                    int16_t& Pan, int32_t& StartPosition, int16_t& DSFlags);
  bool IsPlaying(int16_t Index);
  void StopPlay(int16_t Index);
  void PlayOpenedSound(int16_t Index, int32_t& StartPosition, int16_t DSFlags);
  void StopSoundQ();

  // Streams.
  int16_t PlayOGGSound(const std::string& waveFileIn, int16_t Volume, int32_t Frequency,
                       int16_t Pan, int16_t DSFlags);
  int16_t PlayMP3Sound(const std::string& waveFileIn, int16_t Volume, int32_t Frequency,
                       int16_t Pan, int16_t DSFlags);

  // How a loaded or playing sound is heard.
  void SetVolume(int16_t Index, int16_t Volume);
  void SetPan(int16_t Index, int16_t Pan);
  void SetFrequency(int16_t Index, int32_t& Frequency);
  int32_t GetFrequency(int16_t Index);
  void SetStartPosition(int16_t Index);

  // 3D: coordinates come in the order x, z, y and are scaled by 100.
  void SetPosition(int32_t i, float x, float z, float y, int32_t deferred);
  void ListenerPosition(float x, float z, float y);
  void SetPlayersOrientation();

  // Releasing.
  void DeleteSound(int16_t& Index);
  void DeleteSound2(int16_t& Index);
  void KillAllSounds();
  void ResetSounds();
  void ShutdownForm1();
  void Form_Unload();
  void DirectXEvent8_DXCallback(int32_t eventid);

  // Pausing and resuming streams; a handle that names no slot is the caller's error.
  void PauseAllOGGSounds();
  void UnPauseAllOGGSounds();
  void PauseAllMP3Sounds();
  void UnPauseAllMP3Sounds();
  void UnpauseOneOGG(int16_t Index);
  void UnpauseOneMP3(int16_t Index);

  // The 10 ms tick that keeps the OGG library's streams fed.
  void Timer1_Timer();

  // Read-only views of the engine's state.
  const EngineSettings& Settings() const { return settings_; }
  const WavSlot& WavSlotAt(int16_t i) const;
  int16_t NextSlot() const { return NextSlot_; }
  bool QuietErrors() const { return QuietErrors_; }
  bool Timer1Enabled() const { return Timer1Enabled_; }
  const std::vector<OggSlot>& OggSlots() const { return ogg_slots_; }
  const std::vector<Mp3Slot>& Mp3Slots() const { return mp3_slots_; }

 private:
  // Each of these throws PlatformError when its table has no such entry (or the object is
  // missing), so that the operations treat it like any other failing step.
  WavSlot& Wav(int32_t i);
  OggSlot& Ogg(int32_t o);
  Mp3Slot& Mp3(int32_t m);
  platform::SoundDevice& Device();
  platform::SoundBuffer& Buffer(int32_t i);

  // The result of the cache search: the slot holding the sound (0: none) and where the search
  // for a new slot starts.
  struct CacheSearch {
    int16_t found = 0;
    int16_t start = 0;
  };

  // PlaySound's steps.
  void SpeakMarkedText(std::string& name);
  bool ResolveWildcard(std::string& name);
  CacheSearch FindCached(const std::string& name, bool want_3d);
  int16_t FindSlot(int16_t start);
  bool FillNewSlot(const std::string& name, const CacheSearch& cached, int16_t DSFlags);
  bool CopyCached(int16_t found, WavSlot& slot, int16_t DSFlags);
  int16_t StartSlot(int16_t& Volume, int32_t& Frequency, int16_t& Pan, int32_t& StartPosition,
                    int16_t DSFlags);
  // The WAV slots in use: the sounds.ini count kept to 1 .. kWavSlots.
  int16_t SlotCount() const;

  // The stream side of the operations that take a handle (streams.cpp).
  bool StreamIsPlaying(Handle handle);
  void StopStream(Handle handle);
  void MoveStream(Handle handle, int32_t StartPosition);
  void SetStreamVolume(Handle handle, int16_t Volume);
  void SetStreamPan(Handle handle, int16_t Pan);
  void SetStreamFrequency(Handle handle, int32_t Frequency);
  void DeleteStream(Handle handle);
  void StopOggStream(int32_t o);
  platform::FilgraphManager& Graph(Mp3Slot& slot);

  // Starting streams (stream_start.cpp).
  int16_t FindStreamSlot(HandleKind kind, int16_t count);
  void ShapeNewStream(int16_t handle, int16_t Volume, int32_t Frequency, int16_t Pan);

  // The tick has work only while an OGG stream is open: the timer fires then and sleeps otherwise,
  // whatever its enabled state says.
  void ArmTimer1();

  void ReadSoundsIni();
  void CreateStreamSlots();
  void OpenDevice();
  void StartOggLibrary();
  std::string FullName(const std::string& name) const;

  platform::UserInterface ui_;
  platform::SoundSystem& dx_;
  platform::OggLibrary& ogg_;
  platform::DirectShow& direct_show_;
  SoundSpeech& speech_;
  const std::string& AppPath;

  EngineSettings settings_;
  bool QuietErrors_ = false;
  bool ogg_started_ = false;  // InitOgg succeeded and ShutdownOgg has not run since

  // Device objects; empty until DSInit makes them.
  std::shared_ptr<platform::SoundDevice> DS;
  platform::BufferDesc PrimaryDesc;
  std::shared_ptr<platform::PrimarySoundBuffer> PrimaryBuffer;
  std::shared_ptr<platform::SoundListener> Listener;

  std::array<WavSlot, kWavSlots + 1> wav_slots_;
  int16_t NextSlot_ = 0;
  std::vector<OggSlot> ogg_slots_;
  std::vector<Mp3Slot> mp3_slots_;

  int16_t SoundQ = 0, SoundQ2 = 0, SoundQ3 = 0;

  // Timer1's enabled state, which the engine reads as "the OGG library runs" (the platform timer
  // itself is armed by ArmTimer1).
  bool Timer1Enabled_ = true;
  std::unique_ptr<platform::Timer> Timer1_;
};

}  // namespace veltro::sound
