// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/caption_font.h"

#include <fontconfig/fontconfig.h>

#include <memory>

#include "platform/base/platform_error.h"

namespace veltro::platform::desktop {

std::string CaptionFontPath() {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) throw PlatformError("cannot read the fontconfig configuration");
  std::unique_ptr<FcConfig, decltype(&FcConfigDestroy)> owned_config(config, FcConfigDestroy);
  using Pattern = std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)>;
  Pattern wanted(FcNameParse(reinterpret_cast<const FcChar8*>("DejaVu Sans:bold")),
                 FcPatternDestroy);
  if (!wanted) throw PlatformError("cannot ask fontconfig for a font");
  FcConfigSubstitute(config, wanted.get(), FcMatchPattern);
  FcDefaultSubstitute(wanted.get());
  FcResult result = FcResultNoMatch;
  Pattern found(FcFontMatch(config, wanted.get(), &result), FcPatternDestroy);
  FcChar8* file = nullptr;
  if (!found || FcPatternGetString(found.get(), FC_FILE, 0, &file) != FcResultMatch) {
    throw PlatformError("fontconfig knows no font to draw the captions with");
  }
  return reinterpret_cast<const char*>(file);
}

}  // namespace veltro::platform::desktop
