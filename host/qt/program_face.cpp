#include "host/qt/program_face.h"

#ifdef KESTRIN_HAVE_FONTCONFIG
#include <string>

#include <fontconfig/fontconfig.h>
#endif

namespace kestrin::qt {

// The toolkit lists every font installed, with each face's name, style and
// coverage, in its own database as well as in fontconfig's, though the
// program draws in one face. With some 400 fonts installed the lists held
// 1.1 MiB of the program's memory at its peak.
bool keepOnlyFontFamily(const char* family) {
#ifdef KESTRIN_HAVE_FONTCONFIG
  FcConfig* config = FcInitLoadConfig();  // the settings, without the fonts
  if (config == nullptr) return false;
  const std::string onlyFamily =
      std::string(R"(<?xml version="1.0"?><fontconfig><selectfont><acceptfont><pattern>)") +
      R"(<patelt name="family"><string>)" + family + R"(</string></patelt>)" +
      R"(</pattern></acceptfont><rejectfont><pattern/></rejectfont></selectfont></fontconfig>)";
  bool kept = FcConfigParseAndLoadFromMemory(
                  config, reinterpret_cast<const FcChar8*>(onlyFamily.c_str()), FcTrue) == FcTrue &&
              FcConfigBuildFonts(config) == FcTrue;
  const FcFontSet* fonts = kept ? FcConfigGetFonts(config, FcSetSystem) : nullptr;
  // No face of the family: text in another face is better than none.
  kept = fonts != nullptr && fonts->nfont > 0 && FcConfigSetCurrent(config) == FcTrue;
  FcConfigDestroy(config);  // the current configuration holds a reference of its own
  return kept;
#else
  (void)family;
  return false;
#endif
}

}  // namespace kestrin::qt
