// kestrin_raw_pixels IN OUT: decodes a picture (JPEG, GIF, PNG) as the
// program would and writes the pixels it decodes to as a raw pixels file
// (raw_pixels.h), premultiplied, ready to draw. Run by the build.
#include <cstdio>

#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include "host/qt/raw_pixels.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kestrin_raw_pixels IN OUT\n");
    return 2;
  }
  const QImage image(QString::fromLocal8Bit(argv[1]));
  if (image.isNull()) {
    std::fprintf(stderr, "kestrin_raw_pixels: cannot read %s\n", argv[1]);
    return 1;
  }
  QFile out(QString::fromLocal8Bit(argv[2]));
  const QByteArray bytes =
      kestrin::qt::toRawPixels(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush()) {
    std::fprintf(stderr, "kestrin_raw_pixels: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
