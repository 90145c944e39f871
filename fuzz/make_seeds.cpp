// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the first seeds of the fuzz corpora: short tones of our own in the formats the game
// reads, with the targets' option bytes in front, and small texts of each kind. The corpora in
// fuzz/corpus/ grew from these and were then minimised (fuzz/run --merge).
//
//   g++ -std=c++20 fuzz/make_seeds.cpp -lsndfile -o /tmp/make_seeds && /tmp/make_seeds fuzz/corpus
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string corpus;

void Save(const std::string& target, const std::string& name, const std::string& bytes) {
  std::filesystem::create_directories(corpus + "/" + target);
  std::ofstream(corpus + "/" + target + "/" + name, std::ios::binary) << bytes;
}

// A 440 Hz tone of `frames` frames in a libsndfile format, as bytes.
std::string Tone(int format, int channels, int rate, int frames) {
  const std::string path = std::filesystem::temp_directory_path() / "veltro-seed";
  SF_INFO info{0, rate, channels, format, 0, 0};
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    std::fprintf(stderr, "sf_open: %s\n", sf_strerror(nullptr));
    std::exit(1);
  }
  std::vector<float> samples(static_cast<size_t>(frames * channels));
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = 0.5f * std::sin(6.2831853f * 440.0f * static_cast<float>(i / channels) / rate);
  }
  sf_writef_float(file, samples.data(), frames);
  sf_close(file);
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  corpus = argv[1];
  const int wav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16, wav8 = SF_FORMAT_WAV | SF_FORMAT_PCM_U8;
  const int ogg = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  const int mp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;

  // open_sound: option byte (bit 0 OGG, bit 1 3D, bit 2 loop, bits 3-7 start), then the file.
  Save("open_sound", "wav16_mono", std::string("\x00", 1) + Tone(wav16, 1, 22050, 441));
  Save("open_sound", "wav8_stereo_loop", "\x44" + Tone(wav8, 2, 11025, 220));
  Save("open_sound", "wav16_mono_3d", "\x02" + Tone(wav16, 1, 44100, 441));
  Save("open_sound", "ogg_mono", "\x01" + Tone(ogg, 1, 22050, 2205));
  Save("open_sound", "ogg_stereo_3d", "\x83" + Tone(ogg, 2, 22050, 2205));

  // stream_player: two option bytes (see stream_player.cpp), then the file.
  Save("stream_player", "ogg_mono", std::string("\x00\x14", 2) + Tone(ogg, 1, 22050, 4410));
  Save("stream_player", "ogg_stereo_loop", "\x82\x25" + Tone(ogg, 2, 22050, 2205));
  Save("stream_player", "ogg_whole", "\x44\x62" + Tone(ogg, 1, 8000, 1600));
  Save("stream_player", "mp3_mono", "\x41\x14" + Tone(mp3, 1, 22050, 4410));
  Save("stream_player", "mp3_stereo_whole", "\x85\x63" + Tone(mp3, 2, 22050, 2205));

  Save("sounds_ini", "counts", "Sound Buffers = 40\r\nOgg Buffers=10\r\nMP3 Buffers=5\r\n");
  Save("sounds_ini", "switches", "software buffers\nHRTF=1\n' a comment\nMinimal Sounds = 0\n");
  Save("sounds_ini", "odd", "  sound buffers=1.5e2 ' big\rogg buffers=-3\rvolume=7\r");

  Save("key_script", "menu",
       "# a flight\nwait-say Moon\npress Return\nsleep 2.5\ndown Space\nsleep 0.25\nup Space\n");
  Save("key_script", "keys", "press Ctrl+Shift+A\npress alt+f1 # help\nup 7\ndown Tab\n");
  Save("key_script", "texts", "wait-say Altitude 500 # not a comment\r\nwait-say a\\r\\nb \t\n");

  const std::string nul(1, '\0');
  Save("command_line", "headless",
       "--headless" + nul + "--keys" + nul + "flight.keys" + nul + "--max-seconds=60" + nul +
           "--seed" + nul + "42" + nul + "3");
  Save("command_line", "logs",
       "--speech-log=-" + nul + "--sound-log" + nul + "out" + nul + "--" + nul + "--help");
  Save("command_line", "short", "-h" + nul + "--audio-info" + nul + "--version" + nul + "-x");
  return 0;
}
