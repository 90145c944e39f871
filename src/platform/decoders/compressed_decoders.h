// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "platform/decoders/pcm_audio.h"

namespace veltro::platform {

// MP3 files through libmpg123 and OGG Vorbis files through libvorbisfile, which know their length
// from the file itself: an MP3 by counting its frames (a VBR file without a header that tells its
// length plays to its end), an OGG over every part of a chained file. Picks the decoder by the
// file's first bytes; returns null for any other file. Throws PlatformError, naming the file,
// when it cannot be decoded.
std::unique_ptr<StreamDecoder> OpenCompressedDecoder(const std::string& path);

}  // namespace veltro::platform
