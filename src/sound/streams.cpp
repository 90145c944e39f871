// OGG and MP3 streams.
#include "sound/sound.h"

namespace veltro::sound {

// Streaming OGG and MP3 files is not built yet: no stream is started, so the result is 0 (no
// sound) and every stream slot stays free. ".OGG!" names are decoded into WAV slots instead.
int16_t Sound::PlayOGGSound(const std::string&, int16_t, int32_t, int16_t, int16_t) {
  return 0;
}

int16_t Sound::PlayMP3Sound(const std::string&, int16_t, int32_t, int16_t, int16_t) {
  return 0;
}

}  // namespace veltro::sound
