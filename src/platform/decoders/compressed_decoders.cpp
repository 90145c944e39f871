// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/decoders/compressed_decoders.h"

#include <mpg123.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>

#include "platform/base/platform_error.h"

namespace veltro::platform {
namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& why) {
  throw PlatformError("Cannot load sound file \"" + path + "\": " + why);
}

class Mpg123Decoder : public StreamDecoder {
 public:
  explicit Mpg123Decoder(const std::string& path) : path_(path) {
    static const int ready = mpg123_init();  // once per process; a no-op in newer versions
    int error = ready;
    handle_.reset(mpg123_new(nullptr, &error));
    if (!handle_) Refuse(path_, mpg123_plain_strerror(error));
    mpg123_handle* mp3 = handle_.get();
    mpg123_param(mp3, MPG123_ADD_FLAGS, MPG123_QUIET, 0);  // its complaints go to the caller
    long rate = 0;
    int encoding = 0;
    if (mpg123_open(mp3, path_.c_str()) != MPG123_OK ||
        mpg123_getformat(mp3, &rate, &channels_, &encoding) != MPG123_OK) {
      Fail();
    }
    rate_ = static_cast<int32_t>(rate);
    mpg123_format_none(mp3);
    mpg123_format(mp3, rate, channels_, MPG123_ENC_SIGNED_16);
    // Counts the frames: the length a VBR file's first frame would suggest can be far off.
    if (mpg123_scan(mp3) != MPG123_OK) Fail();
    frames_ = mpg123_length(mp3);
  }

  int Channels() const override { return channels_; }
  int32_t SamplesPerSecond() const override { return rate_; }
  int64_t Frames() const override { return frames_ < 0 ? -1 : frames_; }

  int64_t Read(int16_t* pcm, int64_t frames) override {
    size_t done = 0;
    const int result =
        mpg123_read(handle_.get(), pcm, static_cast<size_t>(frames * channels_ * 2), &done);
    if (result != MPG123_OK && result != MPG123_DONE && result != MPG123_NEW_FORMAT) Fail();
    return static_cast<int64_t>(done) / (2 * channels_);
  }

  void Seek(int64_t frame) override {
    if (mpg123_seek(handle_.get(), static_cast<off_t>(frame), SEEK_SET) < 0) Fail();
  }

 private:
  [[noreturn]] void Fail() { Refuse(path_, mpg123_strerror(handle_.get())); }

  std::string path_;
  std::unique_ptr<mpg123_handle, decltype(&mpg123_delete)> handle_{nullptr, &mpg123_delete};
  int channels_ = 0;
  int32_t rate_ = 0;
  int64_t frames_ = -1;
};

class VorbisDecoder : public StreamDecoder {
 public:
  explicit VorbisDecoder(const std::string& path) : path_(path) {
    if (ov_fopen(path_.c_str(), &file_) != 0) Refuse(path_, "not a readable OGG Vorbis file");
    const vorbis_info* first = ov_info(&file_, 0);
    channels_ = first->channels;
    rate_ = static_cast<int32_t>(first->rate);
    // The parts of a chained file play one after the other, so they must share one format.
    for (long part = 1; part < ov_streams(&file_); ++part) {
      const vorbis_info* info = ov_info(&file_, part);
      if (info->channels != channels_ || info->rate != first->rate) {
        ov_clear(&file_);
        Refuse(path_, "its chained parts differ in channels or sample rate");
      }
    }
    frames_ = ov_seekable(&file_) ? ov_pcm_total(&file_, -1) : -1;
    // Opened, libvorbisfile starts reading at the second part when the first fits in one page;
    // from an explicit start it reads every part.
    if (frames_ >= 0 && ov_pcm_seek(&file_, 0) != 0) {
      ov_clear(&file_);
      Refuse(path_, "cannot seek in the file");
    }
  }
  ~VorbisDecoder() override { ov_clear(&file_); }

  int Channels() const override { return channels_; }
  int32_t SamplesPerSecond() const override { return rate_; }
  int64_t Frames() const override { return frames_; }

  int64_t Read(int16_t* pcm, int64_t frames) override {
    const int64_t wanted = frames * channels_ * 2;
    int64_t got = 0;
    while (got < wanted) {
      int part = 0;
      const long bytes = ov_read(&file_, reinterpret_cast<char*>(pcm) + got,
                                 static_cast<int>(std::min<int64_t>(wanted - got, 1 << 20)),
                                 0 /* little-endian */, 2, 1 /* signed */, &part);
      if (bytes == 0) break;
      if (bytes < 0) Refuse(path_, "the file is damaged");
      got += bytes;
    }
    return got / (channels_ * 2);
  }

  void Seek(int64_t frame) override {
    if (ov_pcm_seek(&file_, frame) != 0) Refuse(path_, "cannot seek in the file");
  }

 private:
  std::string path_;
  OggVorbis_File file_{};
  int channels_ = 0;
  int32_t rate_ = 0;
  int64_t frames_ = -1;
};

}  // namespace

std::unique_ptr<StreamDecoder> OpenCompressedDecoder(const std::string& path) {
  std::array<unsigned char, 4> start{};
  std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(start.data()), start.size());
  if (start[0] == 'O' && start[1] == 'g' && start[2] == 'g' && start[3] == 'S') {
    return std::make_unique<VorbisDecoder>(path);
  }
  const bool id3 = start[0] == 'I' && start[1] == 'D' && start[2] == '3';
  const bool frame_sync = start[0] == 0xFF && (start[1] & 0xE0) == 0xE0;
  if (id3 || frame_sync) return std::make_unique<Mpg123Decoder>(path);
  return nullptr;
}

}  // namespace veltro::platform
