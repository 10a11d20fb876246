// kestrin_raw_pixels [--fit-to-designs] IN OUT: decodes a picture (JPEG,
// GIF, PNG) as the program would and writes the pixels it decodes to as a
// raw pixels file (host/qt/pictures/raw_pixels.h), premultiplied, ready to draw. Run by the
// build.
//
// With --fit-to-designs, a picture that every control showing it stretches
// into its box is stored scaled, as the program would scale it, to the
// largest of those boxes at the file's scale (IN named like monkey@2x.gif
// is the @2x version of monkey.gif): the program then draws it as it is,
// rather than inflating the whole picture, many times the size of its box,
// only to shrink it.
#include <cstdio>
#include <cstring>
#include <string>

#include <QFile>
#include <QFileInfo>
#include <QImage>

#include "designs/designs.h"
#include "host/common/twips_to_pixels.h"
#include "host/qt/pictures/raw_pixels.h"

namespace {

// The device pixels `picture` is drawn into at `scale` device pixels a
// logical pixel, where every control that shows it stretches it: the
// largest of their boxes. Empty if a control shows it at its own size, or
// none shows it.
QSize stretchedSize(std::string_view picture, int scale) {
  QSize largest;
  for (const kestrin::ScreenDesign* screen : kestrin::designs::kEveryScreen) {
    for (const kestrin::ControlDesign& c : screen->controls) {
      if (c.kind != kestrin::ControlKind::Image || c.picture != picture) continue;
      if (!c.stretch) return {};
      const kestrin::draw::PixelRect box = kestrin::draw::pixelBox(c.left, c.top, c.width, c.height);
      largest = largest.expandedTo(QSize(box.width, box.height) * scale);
    }
  }
  return largest;
}

// `image` shrunk to the size the designs draw it at, where that is smaller.
QImage fitToDesigns(const QImage& image, const QString& path) {
  std::string name = QFileInfo(path).fileName().toStdString();
  const std::string mark = std::string(kestrin::qt::kTwiceSizeMark) + '.';
  int scale = 1;
  if (const auto at = name.find(mark); at != std::string::npos) {
    name.erase(at, mark.size() - 1);
    scale = 2;
  }
  const QSize size = stretchedSize(name, scale);
  if (size.isEmpty() || size.width() > image.width() || size.height() > image.height()) return image;
  return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

int main(int argc, char** argv) {
  const bool fit = argc == 4 && std::strcmp(argv[1], "--fit-to-designs") == 0;
  if (argc != 3 && !fit) {
    std::fprintf(stderr, "usage: kestrin_raw_pixels [--fit-to-designs] IN OUT\n");
    return 2;
  }
  const QString in = QString::fromLocal8Bit(argv[argc - 2]);
  QImage image = QImage(in).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) {
    std::fprintf(stderr, "kestrin_raw_pixels: cannot read %s\n", argv[argc - 2]);
    return 1;
  }
  if (fit) image = fitToDesigns(image, in);
  QFile out(QString::fromLocal8Bit(argv[argc - 1]));
  const QByteArray bytes = kestrin::qt::toRawPixels(image);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush()) {
    std::fprintf(stderr, "kestrin_raw_pixels: cannot write %s\n", argv[argc - 1]);
    return 1;
  }
  return 0;
}
