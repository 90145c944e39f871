// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's decoder back-end: LoadAudioFile, ProbeAudioFile and SndfileDecoders on libsndfile,
// with libmpg123 and libvorbisfile for MP3 and OGG Vorbis (compressed_decoders.cpp).
#include "platform/decoders/audio_file.h"

#include <sndfile.h>

#include <bit>
#include <iostream>
#include <memory>
#include <string>

#include "platform/base/platform_error.h"
#include "platform/decoders/compressed_decoders.h"
#include "platform/decoders/failed_sound_files.h"

namespace veltro::platform {
namespace {

// Sound buffers hold little-endian PCM; decoded samples are copied byte for byte.
static_assert(std::endian::native == std::endian::little);

struct SndfileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

[[noreturn]] void Refuse(const std::string& path, const std::string& why) {
  throw PlatformError("Cannot load sound file \"" + path + "\": " + why);
}

[[noreturn]] void RefuseTooLong(const std::string& path) {
  Refuse(path, "the sound is too long (more than " +
                   std::to_string(kMaxDecodedAudioBytes / (1024 * 1024)) + " MiB decoded)");
}

// libsndfile plays a WAV file whose data chunk claims more bytes than the file holds, using what
// is there, and only notes the mismatch in its log ("data : 20000 (should be 100)"). Such a file
// was cut short or has a damaged header, so we refuse it instead of playing a fragment.
bool DataChunkLongerThanFile(SNDFILE* file) {
  std::string log(4096, '\0');
  sf_command(file, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
  for (size_t line = 0; line < log.size() && log[line] != '\0';) {
    const size_t end = log.find('\n', line);
    const std::string text = log.substr(line, end == std::string::npos ? end : end - line);
    if (text.starts_with("data :") && text.find("should be") != std::string::npos) return true;
    if (end == std::string::npos) break;
    line = end + 1;
  }
  return false;
}

// libsndfile keeps a file's path in a buffer of 1024 bytes: a longer path fails as a missing
// file, or as "filename too long", which names no file.
constexpr size_t kMaxDecoderPathBytes = 1023;

// The files this process's decoder refused: one memory for the whole process, because what
// libsndfile loses on a refusal is lost for the whole process. Whole sounds and streams are
// remembered apart, as a file too long to decode whole still plays as a stream.
FailedSoundFiles& WholeFileFailures() {
  static FailedSoundFiles failures(std::cerr);
  return failures;
}
FailedSoundFiles& StreamFailures() {
  static FailedSoundFiles failures(std::cerr);
  return failures;
}

// Bytes of one frame of 16-bit PCM.
int64_t FrameBytes(const SF_INFO& info) {
  return 2 * int64_t{info.channels};
}

// Some decoders cannot tell the length in advance; they report a huge or negative count.
bool LengthKnown(const SF_INFO& info) {
  return info.frames >= 0 && info.frames < SF_COUNT_MAX / 4;
}

void CheckFormat(const std::string& path, int channels, int samples_per_second) {
  if (channels < 1 || channels > 2) {
    Refuse(path, std::to_string(channels) + " channels (only mono and stereo play)");
  }
  if (samples_per_second < kMinBufferFrequency || samples_per_second > kMaxBufferFrequency) {
    Refuse(path, "unsupported sample rate " + std::to_string(samples_per_second));
  }
}

// An MP3 or OGG file's decoder (see OpenCompressedDecoder), its format checked; null for others.
std::unique_ptr<StreamDecoder> OpenCompressed(const std::string& path) {
  std::unique_ptr<StreamDecoder> decoder = OpenCompressedDecoder(path);
  if (decoder) CheckFormat(path, decoder->Channels(), decoder->SamplesPerSecond());
  return decoder;
}

// Opens a sound file and checks what its header says; `info` receives the header. A file to be
// decoded whole must also fit the decoded-size cap; a stream may be of any length.
SndfileHandle OpenChecked(const std::string& path, SF_INFO& info, bool whole = true) {
  info = SF_INFO{};
  if (path.size() > kMaxDecoderPathBytes) {
    Refuse(path, "its path is " + std::to_string(path.size()) +
                     " bytes long, and the sound decoder reads paths of at most " +
                     std::to_string(kMaxDecoderPathBytes) + " bytes");
  }
  SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file) Refuse(path, sf_strerror(nullptr));
  CheckFormat(path, info.channels, info.samplerate);
  if (DataChunkLongerThanFile(file.get())) {
    Refuse(path, "the file is truncated or its header claims more data than it holds");
  }
  if (whole && LengthKnown(info) && info.frames > kMaxDecodedAudioBytes / FrameBytes(info)) {
    RefuseTooLong(path);
  }
  return file;
}

// A file read piece by piece. A read that stops short of the length the header gave, or that
// libsndfile reports as failed, is damage: it is refused, and the stream ends there.
class SndfileStreamDecoder : public StreamDecoder {
 public:
  SndfileStreamDecoder(std::string path, SndfileHandle file, const SF_INFO& info)
      : path_(std::move(path)), file_(std::move(file)), info_(info) {}

  int Channels() const override { return info_.channels; }
  int32_t SamplesPerSecond() const override { return info_.samplerate; }
  int64_t Frames() const override { return LengthKnown(info_) ? info_.frames : -1; }

  int64_t Read(int16_t* pcm, int64_t frames) override {
    const sf_count_t got = sf_readf_short(file_.get(), pcm, frames);
    if (got < 0 || sf_error(file_.get()) != SF_ERR_NO_ERROR) {
      Refuse(path_, sf_strerror(file_.get()));
    }
    return got;
  }

  void Seek(int64_t frame) override {
    if (sf_seek(file_.get(), frame, SEEK_SET) < 0) Refuse(path_, "cannot seek in the file");
  }

 private:
  std::string path_;
  SndfileHandle file_;
  SF_INFO info_;
};

std::unique_ptr<StreamDecoder> OpenStream(const std::string& path) {
  if (std::unique_ptr<StreamDecoder> decoder = OpenCompressed(path)) {
    if (decoder->Frames() == 0) Refuse(path, "the file holds no sound");
    return decoder;
  }
  SF_INFO info;
  SndfileHandle file = OpenChecked(path, info, false);
  if (LengthKnown(info) && info.frames == 0) Refuse(path, "the file holds no sound");
  return std::make_unique<SndfileStreamDecoder>(path, std::move(file), info);
}

AudioFileInfo Probe(const std::string& path) {
  if (std::unique_ptr<StreamDecoder> decoder = OpenCompressed(path)) {
    const int64_t frame_bytes = 2 * int64_t{decoder->Channels()};
    if (decoder->Frames() > kMaxDecodedAudioBytes / frame_bytes) RefuseTooLong(path);
    AudioFileInfo probe;
    probe.format = Pcm16Format(decoder->Channels(), decoder->SamplesPerSecond());
    if (decoder->Frames() >= 0) probe.pcm_bytes = decoder->Frames() * frame_bytes;
    return probe;
  }
  SF_INFO info;
  SndfileHandle file = OpenChecked(path, info);
  AudioFileInfo probe;
  probe.format = Pcm16Format(info.channels, info.samplerate);
  if (LengthKnown(info)) probe.pcm_bytes = info.frames * FrameBytes(info);
  return probe;
}

// An MP3 or OGG file decoded whole, to its real end whatever length it claimed.
AudioData LoadCompressed(const std::string& path, StreamDecoder& decoder) {
  const int64_t frame_bytes = 2 * int64_t{decoder.Channels()};
  if (decoder.Frames() > kMaxDecodedAudioBytes / frame_bytes) RefuseTooLong(path);
  AudioData data;
  data.format = Pcm16Format(decoder.Channels(), decoder.SamplesPerSecond());
  constexpr int64_t kChunkFrames = 4096;
  std::vector<int16_t> chunk(static_cast<size_t>(kChunkFrames * decoder.Channels()));
  for (int64_t got; (got = decoder.Read(chunk.data(), kChunkFrames)) > 0;) {
    if (static_cast<int64_t>(data.pcm.size()) + got * frame_bytes > kMaxDecodedAudioBytes) {
      RefuseTooLong(path);
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(chunk.data());
    data.pcm.insert(data.pcm.end(), bytes, bytes + got * frame_bytes);
  }
  if (data.pcm.empty()) Refuse(path, "the file holds no sound");
  return data;
}

AudioData Load(const std::string& path) {
  if (std::unique_ptr<StreamDecoder> decoder = OpenCompressed(path)) {
    return LoadCompressed(path, *decoder);
  }
  SF_INFO info;
  SndfileHandle file = OpenChecked(path, info);
  const int64_t frame_bytes = FrameBytes(info);
  const bool length_known = LengthKnown(info);

  AudioData data;
  data.format = Pcm16Format(info.channels, info.samplerate);
  if (length_known) data.pcm.reserve(static_cast<size_t>(info.frames * frame_bytes));

  // Decode in pieces so that a file longer than it claims still stops at the cap.
  constexpr sf_count_t kChunkFrames = 4096;
  std::vector<int16_t> chunk(static_cast<size_t>(kChunkFrames * info.channels));
  int64_t frames_read = 0;
  for (;;) {
    const sf_count_t got = sf_readf_short(file.get(), chunk.data(), kChunkFrames);
    if (got <= 0) break;
    frames_read += got;
    if (frames_read > kMaxDecodedAudioBytes / frame_bytes) {
      RefuseTooLong(path);
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(chunk.data());
    data.pcm.insert(data.pcm.end(), bytes, bytes + got * frame_bytes);
  }
  if (sf_error(file.get()) != SF_ERR_NO_ERROR) Refuse(path, sf_strerror(file.get()));
  if (length_known && frames_read < info.frames) Refuse(path, "the file is truncated");
  if (data.pcm.empty()) Refuse(path, "the file holds no sound");
  return data;
}

}  // namespace

std::unique_ptr<StreamDecoder> SndfileDecoders::OpenStreamDecoder(const std::string& path) {
  return StreamFailures().Open(path, [](const std::string& file) { return OpenStream(file); });
}

AudioFileInfo ProbeAudioFile(const std::string& path) {
  return WholeFileFailures().Open(path, [](const std::string& file) { return Probe(file); });
}

AudioData LoadAudioFile(const std::string& path) {
  return WholeFileFailures().Open(path, [](const std::string& file) { return Load(file); });
}

}  // namespace veltro::platform
