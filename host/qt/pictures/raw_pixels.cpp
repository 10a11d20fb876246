#include "host/qt/pictures/raw_pixels.h"

#include <cstdint>
#include <cstring>

#include <QResource>

#include "host/qt/platform/system_memory.h"

namespace kestrin::qt {

namespace {

void putWord(QByteArray& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFFu));
}

std::uint32_t wordAt(const QByteArray& bytes, int at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

struct Header {
  int width = 0, height = 0;
  QImage::Format format = QImage::Format_Invalid;
};

// The header, if `bytes` start with one of a picture of four bytes a pixel.
bool readHeader(const QByteArray& bytes, Header& header) {
  if (bytes.size() < kRawPixelsHeader || std::memcmp(bytes.constData(), kRawPixelsMagic, 4) != 0) {
    return false;
  }
  const std::uint32_t width = wordAt(bytes, 4);
  const std::uint32_t height = wordAt(bytes, 8);
  const std::uint32_t format = wordAt(bytes, 12);
  if (width == 0 || height == 0 || width > 16384 || height > 16384 || format >= QImage::NImageFormats) {
    return false;
  }
  header = {static_cast<int>(width), static_cast<int>(height), static_cast<QImage::Format>(format)};
  return QImage(1, 1, header.format).depth() == 32;
}

QImage imageOver(const QByteArray& bytes, bool inBinary) {
  Header h;
  if (!readHeader(bytes, h)) return {};
  const qsizetype rowBytes = qsizetype{h.width} * 4;
  if (bytes.size() != kRawPixelsHeader + rowBytes * h.height) return {};
  // The image reads the bytes where they are (a resource stored as it is:
  // in the binary itself); it keeps its own reference to them, so they live
  // as long as it (or a copy of it) does. Rows must start on a whole word,
  // and the resource compiler aligns nothing: bytes that do not are copied
  // to a place that does.
  const bool aligned = reinterpret_cast<std::uintptr_t>(bytes.constData() + kRawPixelsHeader) %
                           alignof(std::uint32_t) == 0;
  struct Kept {
    QByteArray bytes;
    bool inBinary;
  };
  // Pixels read in place from the binary count in the program's memory
  // while they are paged in: once the image goes, so do they.
  auto* kept = new Kept{aligned ? bytes : QByteArray(bytes.constData(), bytes.size()), inBinary && aligned};
  return QImage(
      reinterpret_cast<const uchar*>(kept->bytes.constData() + kRawPixelsHeader), h.width, h.height,
      rowBytes, h.format,
      [](void* data) {
        auto* done = static_cast<Kept*>(data);
        if (done->inBinary) {
          givePagesBack(done->bytes.constData(), static_cast<std::size_t>(done->bytes.size()));
        }
        delete done;
      },
      kept);
}

}  // namespace

QByteArray toRawPixels(const QImage& image) {
  QByteArray out(kRawPixelsMagic, 4);
  putWord(out, static_cast<std::uint32_t>(image.width()));
  putWord(out, static_cast<std::uint32_t>(image.height()));
  putWord(out, static_cast<std::uint32_t>(image.format()));
  const auto rowBytes = static_cast<qsizetype>(image.width()) * 4;
  for (int y = 0; y < image.height(); ++y) {
    out.append(reinterpret_cast<const char*>(image.constScanLine(y)), rowBytes);
  }
  return out;
}

QImage fromRawPixels(const QByteArray& bytes) { return imageOver(bytes, false); }

QImage loadRawPixels(const QString& resource) {
  const QResource file(resource);
  if (!file.isValid()) return {};
  // A resource stored as it is lies in the binary; an inflated one does not.
  return imageOver(file.uncompressedData(), file.compressionAlgorithm() == QResource::NoCompression);
}

}  // namespace kestrin::qt
