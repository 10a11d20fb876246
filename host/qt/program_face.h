#pragma once

namespace kestrin::qt {

// The one face the program draws its text in (paint.h's inProgramFace).
inline constexpr char kProgramFace[] = "Liberation Sans";

// Narrows the fonts the toolkit will know of to the faces of `family`,
// keeping the system's and the user's font settings (hinting, smoothing,
// substitutions) as they are. Called before the toolkit first asks for a
// font. Returns false, and leaves the fonts as they were, where the family
// is not installed, or where the system's fonts are not configured by
// fontconfig.
bool keepOnlyFontFamily(const char* family);

}  // namespace kestrin::qt
