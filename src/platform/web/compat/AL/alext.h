// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The names of OpenAL Soft's extensions that the OpenAL back-end mentions, for Emscripten's
// OpenAL, which has none of them: it answers no when asked for them, so none is ever used.
#include <AL/al.h>
#include <AL/alc.h>

#define ALC_FORMAT_CHANNELS_SOFT 0x1990
#define ALC_FORMAT_TYPE_SOFT 0x1991
#define ALC_HRTF_SOFT 0x1992
#define ALC_STEREO_SOFT 0x1501
#define ALC_FLOAT_SOFT 0x1406
#define AL_DIRECT_CHANNELS_SOFT 0x1033

typedef ALCdevice* (*LPALCLOOPBACKOPENDEVICESOFT)(const ALCchar* deviceName);
typedef void (*LPALCRENDERSAMPLESSOFT)(ALCdevice* device, ALCvoid* buffer, ALCsizei samples);
