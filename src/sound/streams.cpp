// OGG and MP3 streams: starting them, and the stream side of every operation that takes a
// handle (101..200 OGG, 201..300 MP3). Each of the latter throws PlatformError for a handle that
// names no stream slot; the caller decides whether that failure is skipped.
#include "platform/platform_error.h"
#include "sound/sound.h"
#include "sound/sound_units.h"

namespace veltro::sound {

// Streaming OGG and MP3 files is not built yet: no stream is started, so the result is 0 (no
// sound) and every stream slot stays free. ".OGG!" names are decoded into WAV slots instead.
int16_t Sound::PlayOGGSound(const std::string&, int16_t, int32_t, int16_t, int16_t) {
  return 0;
}

int16_t Sound::PlayMP3Sound(const std::string&, int16_t, int32_t, int16_t, int16_t) {
  return 0;
}

bool Sound::StreamIsPlaying(int16_t Index) {
  if (Index > 200) {
    // A stopped MP3 that has not reached its end still counts as playing.
    Mp3Slot& slot = Mp3(Index - 200);
    return slot.Mp3Control && slot.Mp3Position &&
           slot.Mp3Position->CurrentPosition() < slot.Mp3Position->StopTime();
  }
  (void)Ogg(Index - 100);  // no OGG slot holds a stream yet
  return false;
}

void Sound::StopStream(int16_t Index) {
  if (Index > 200) {
    Mp3Slot& slot = Mp3(Index - 200);
    if (slot.Mp3Control) {
      slot.Mp3Control->Stop();
      slot.Mp3Paused = true;
    }
    return;
  }
  (void)Ogg(Index - 100);  // an OGG stream would be paused here
}

// Streams stay stopped or paused until they are resumed.
void Sound::MoveStream(int16_t Index, int32_t StartPosition) {
  if (Index > 200) {
    Mp3Slot& slot = Mp3(Index - 200);
    if (slot.Mp3Position) slot.Mp3Position->SetCurrentPosition(StartPosition);
  }
  // An OGG stream would be moved here.
}

void Sound::SetStreamVolume(int16_t Index, int16_t Volume) {
  if (Index > 200) {
    Mp3Slot& slot = Mp3(Index - 200);
    if (slot.Mp3Control && slot.Mp3Audio) slot.Mp3Audio->SetVolume(Volume);
    return;
  }
  (void)Ogg(Index - 100);
}

void Sound::SetStreamPan(int16_t Index, int16_t Pan) {
  if (Index > 200) {
    Mp3Slot& slot = Mp3(Index - 200);
    if (slot.Mp3Control && slot.Mp3Audio) slot.Mp3Audio->SetBalance(ClampStreamPan(Pan));
    return;
  }
  (void)Ogg(Index - 100);
}

void Sound::SetStreamFrequency(int16_t Index, int32_t Frequency) {
  if (Index > 200) {
    Mp3Slot& slot = Mp3(Index - 200);
    if (slot.Mp3Position) slot.Mp3Position->SetRate(Mp3Rate(Frequency));
    return;
  }
  (void)Ogg(Index - 100);
}

void Sound::DeleteStream(int16_t Index) {
  if (Index > 200) {
    Mp3Slot& slot = Mp3(Index - 200);
    if (slot.Mp3Control) platform::TryStep([&] { slot.Mp3Control->Stop(); });
    slot.Mp3Control.reset();
    slot.Mp3Audio.reset();
    slot.Mp3Position.reset();
    return;
  }
  OggSlot& slot = Ogg(Index - 100);
  // A stream handle would be stopped in the OGG library; none is started yet.
  if (slot.OggHandle != 0) {
    slot.OggPaused = false;
    slot.OggHandle = 0;
  }
}

}  // namespace veltro::sound
