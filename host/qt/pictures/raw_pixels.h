#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace kestrin::qt {

// Pictures compiled in as the pixels they decode to, so that showing one
// loads no image-format plugin and decodes nothing: the build decodes each
// JPEG, GIF and PNG once (kestrin_raw_pixels) and the resource compiler
// compresses the result, or stores it as it is where inflating it would
// delay the first frame. A file is a 16-byte header, "KPX1", then width,
// height and the QImage format as 32-bit little-endian numbers, then the
// rows, four bytes a pixel, with nothing between them.
inline constexpr char kRawPixelsMagic[] = "KPX1";
// A picture's version drawn at twice the size, for high-DPI displays, is
// named with this before its extension: brickbreaker-title@2x.jpg.
inline constexpr char kTwiceSizeMark[] = "@2x";
inline constexpr int kRawPixelsHeader = 16;

// The file's bytes for `image` (in a format of four bytes a pixel).
QByteArray toRawPixels(const QImage& image);
// The image in `bytes`, sharing them; a null image if they are not a whole
// raw pixels file.
QImage fromRawPixels(const QByteArray& bytes);
// The picture in a raw pixels resource (":/pictures/banana.gif.kpx", say);
// a null image if there is none by that name. One stored as it is is read
// where it lies in the binary, whose pages are given back to the system
// when the image and its last copy go.
QImage loadRawPixels(const QString& resource);

}  // namespace kestrin::qt
