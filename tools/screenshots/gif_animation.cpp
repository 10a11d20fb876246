#include "tools/screenshots/gif_animation.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace kestrin::tools {

namespace {

// giflib hands its output here, a block at a time.
int append(GifFileType* gif, const GifByteType* data, int size) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data),
                                                   static_cast<std::size_t>(size));
  return size;
}

// The bounding box of the pixels where two pictures of one size differ.
QRect changed(const QImage& before, const QImage& after) {
  int top = -1;
  int bottom = -1;
  int left = after.width();
  int right = -1;
  const std::size_t rowBytes = static_cast<std::size_t>(after.width()) * sizeof(QRgb);
  for (int y = 0; y < after.height(); ++y) {
    const auto* a = reinterpret_cast<const QRgb*>(before.constScanLine(y));
    const auto* b = reinterpret_cast<const QRgb*>(after.constScanLine(y));
    if (std::memcmp(a, b, rowBytes) == 0) continue;
    if (top < 0) top = y;
    bottom = y;
    int x = 0;
    while (a[x] == b[x]) ++x;
    left = std::min(left, x);
    x = after.width() - 1;
    while (a[x] == b[x]) --x;
    right = std::max(right, x);
  }
  if (top < 0) return {};
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

// The smallest colour count a GIF palette may have that holds n entries.
int paletteSize(int n) {
  int size = 2;
  while (size < n) size *= 2;
  return size;
}

}  // namespace

GifAnimation::GifAnimation() {
  int status = 0;
  gif_ = EGifOpen(&bytes_, append, &status);
  if (gif_ == nullptr) error_ = GifErrorString(status);
}

GifAnimation::~GifAnimation() {
  if (gif_ != nullptr) EGifCloseFile(gif_, nullptr);
}

bool GifAnimation::check(int status) {
  if (status == GIF_OK) return true;
  if (error_.empty()) error_ = GifErrorString(gif_->Error);
  return false;
}

int GifAnimation::centiseconds(std::int64_t micros) const {
  return static_cast<int>((micros - first_ + 5'000) / 10'000);
}

bool GifAnimation::add(const QImage& frame, std::int64_t micros) {
  if (!error_.empty()) return false;
  const QImage opaque = frame.convertToFormat(QImage::Format_RGB32);
  if (first_ < 0) {
    first_ = micros;
  } else if (opaque == pending_) {
    return true;  // nothing moved: the frame before shows on
  } else if (const int delay = centiseconds(micros) - centiseconds(pendingAt_); delay > 0) {
    if (!write(pending_, delay)) return false;
  }
  pending_ = opaque;
  pendingAt_ = micros;
  return true;
}

std::optional<std::string> GifAnimation::finish(std::int64_t micros) {
  if (error_.empty() && pending_.isNull()) error_ = "no frame to write";
  if (!error_.empty()) return std::nullopt;
  // The last frame lasts at least a centisecond: a GIF delay of 0 is shown
  // far longer by browsers.
  const int delay = std::max(centiseconds(micros) - centiseconds(pendingAt_), 1);
  if (!write(pending_, delay)) return std::nullopt;
  int status = 0;
  const int closed = EGifCloseFile(gif_, &status);
  gif_ = nullptr;
  if (closed != GIF_OK) {
    error_ = GifErrorString(status);
    return std::nullopt;
  }
  return std::move(bytes_);
}

bool GifAnimation::write(const QImage& frame, int delay) {
  if (written_ == 0) {
    EGifSetGifVersion(gif_, true);
    if (!check(EGifPutScreenDesc(gif_, frame.width(), frame.height(), 8, 0, nullptr))) return false;
    // Loop for ever: the application extension every browser reads.
    static constexpr char kNetscape[] = "NETSCAPE2.0";
    static constexpr std::array<GifByteType, 3> kForever = {1, 0, 0};
    if (!check(EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE)) ||
        !check(EGifPutExtensionBlock(gif_, 11, kNetscape)) ||
        !check(EGifPutExtensionBlock(gif_, kForever.size(), kForever.data())) ||
        !check(EGifPutExtensionTrailer(gif_))) {
      return false;
    }
  }
  // The first frame is whole; each later one only where it changed. A frame
  // that changed nothing (a moment too short to show came between) is one
  // transparent pixel.
  // Each pixel that shows other than the frame: those that changed since the
  // last frame must be sent; the rest are shown other than painted only
  // where a palette could not hold every colour (text edges give the whole
  // first frame some 300 shades, so it is quantized), and are put right as
  // far as the palette has room, over the next frames.
  const bool whole = written_ == 0;
  const QRect wrong = whole ? frame.rect() : changed(shown_, frame);
  const auto width = static_cast<std::size_t>(std::max(wrong.width(), 1));
  std::vector<int> indices(width * static_cast<std::size_t>(std::max(wrong.height(), 1)), -1);
  std::vector<QRgb> colours;
  std::unordered_map<QRgb, int> known;
  std::unordered_map<QRgb, int> owed;  // colours only put right, by how many pixels
  for (int pass = 0; pass < 2; ++pass) {
    std::size_t at = 0;
    for (int y = wrong.top(); y <= wrong.bottom(); ++y) {
      const auto* now = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
      const auto* seen = whole ? nullptr : reinterpret_cast<const QRgb*>(shown_.constScanLine(y));
      const auto* last = whole ? nullptr : reinterpret_cast<const QRgb*>(last_.constScanLine(y));
      for (int x = wrong.left(); x <= wrong.right(); ++x, ++at) {
        if (seen != nullptr && seen[x] == now[x]) continue;
        const QRgb c = now[x] & RGB_MASK;
        const bool moved = last == nullptr || last[x] != now[x];
        if (pass == 0 && !moved) {
          ++owed[c];
          continue;
        }
        if (pass == 1 && moved) continue;
        if (pass == 0) {
          const auto [it, added] = known.try_emplace(c, static_cast<int>(colours.size()));
          if (added) colours.push_back(c);
          indices[at] = it->second;
        } else if (const auto it = known.find(c); it != known.end()) {
          indices[at] = it->second;
        }
      }
    }
    if (pass == 1) break;
    // Room left after what moved: the commonest colours owed come first.
    if (colours.size() < 255) {
      std::vector<std::pair<int, QRgb>> byCount;
      for (const auto& [c, n] : owed) {
        if (!known.contains(c)) byCount.emplace_back(n, c);
      }
      std::sort(byCount.begin(), byCount.end(), std::greater<>());
      for (const auto& [n, c] : byCount) {
        if (colours.size() >= 255) break;
        known.emplace(c, static_cast<int>(colours.size()));
        colours.push_back(c);
      }
    }
  }
  // The box of what is sent; a frame that sends nothing is one transparent pixel.
  QRect box;
  for (std::size_t i = 0; i < indices.size(); ++i) {
    if (indices[i] >= 0) {
      box |= QRect(wrong.left() + static_cast<int>(i % width), wrong.top() + static_cast<int>(i / width), 1, 1);
    }
  }
  const bool nothing = box.isEmpty();
  if (nothing) box = QRect(0, 0, 1, 1);
  {
    std::vector<int> inBox(static_cast<std::size_t>(box.width()) * static_cast<std::size_t>(box.height()), -1);
    for (int y = box.top(); y <= box.bottom() && !nothing; ++y) {
      for (int x = box.left(); x <= box.right(); ++x) {
        inBox[static_cast<std::size_t>(y - box.top()) * static_cast<std::size_t>(box.width()) +
              static_cast<std::size_t>(x - box.left())] =
            indices[static_cast<std::size_t>(y - wrong.top()) * width + static_cast<std::size_t>(x - wrong.left())];
      }
    }
    indices = std::move(inBox);
  }
  const std::size_t boxWidth = static_cast<std::size_t>(box.width());
  const bool transparent = std::find(indices.begin(), indices.end(), -1) != indices.end();
  const int room = transparent ? 255 : 256;

  // Each colour's palette entry: the colour itself, or where there are too
  // many, the nearest of giflib's quantized ones.
  std::vector<GifColorType> palette;
  std::vector<GifByteType> entryOf(colours.size());
  if (static_cast<int>(colours.size()) <= room) {
    for (std::size_t i = 0; i < colours.size(); ++i) {
      palette.push_back({static_cast<GifByteType>(qRed(colours[i])),
                         static_cast<GifByteType>(qGreen(colours[i])),
                         static_cast<GifByteType>(qBlue(colours[i]))});
      entryOf[i] = static_cast<GifByteType>(i);
    }
  } else {
    // Every changed pixel counts, so the palette favours what covers most.
    std::vector<GifByteType> red, green, blue;
    std::vector<int> colourOf;
    for (const int i : indices) {
      if (i < 0) continue;
      const QRgb c = colours[static_cast<std::size_t>(i)];
      red.push_back(static_cast<GifByteType>(qRed(c)));
      green.push_back(static_cast<GifByteType>(qGreen(c)));
      blue.push_back(static_cast<GifByteType>(qBlue(c)));
      colourOf.push_back(i);
    }
    std::vector<GifByteType> entries(colourOf.size());
    int size = room;
    palette.resize(256);
    if (GifQuantizeBuffer(static_cast<unsigned>(entries.size()), 1, &size, red.data(), green.data(),
                          blue.data(), entries.data(), palette.data()) != GIF_OK) {
      error_ = "the colours could not be quantized";
      return false;
    }
    // The quantizer maps a colour the same wherever it stands.
    for (std::size_t p = 0; p < entries.size(); ++p) {
      entryOf[static_cast<std::size_t>(colourOf[p])] = entries[p];
    }
    palette.resize(static_cast<std::size_t>(size));
  }
  const int clear = static_cast<int>(palette.size());  // the transparent entry, past the colours
  ColorMapObject* map = GifMakeMapObject(paletteSize(clear + (transparent ? 1 : 0)), nullptr);
  if (map == nullptr) {
    error_ = "out of memory";
    return false;
  }
  std::copy(palette.begin(), palette.end(), map->Colors);

  GraphicsControlBlock control{};
  control.DisposalMode = DISPOSE_DO_NOT;
  control.UserInputFlag = false;
  control.DelayTime = delay;
  control.TransparentColor = transparent ? clear : NO_TRANSPARENT_COLOR;
  GifByteType extension[4];
  const std::size_t length = EGifGCBToExtension(&control, extension);
  bool ok = check(EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension)) &&
            check(EGifPutImageDesc(gif_, box.left(), box.top(), box.width(), box.height(), false, map));
  std::vector<GifPixelType> line(boxWidth);
  for (std::size_t row = 0; ok && row < indices.size() / boxWidth; ++row) {
    for (std::size_t x = 0; x < boxWidth; ++x) {
      const int i = indices[row * boxWidth + x];
      line[x] = i < 0 ? static_cast<GifPixelType>(clear) : entryOf[static_cast<std::size_t>(i)];
    }
    ok = check(EGifPutLine(gif_, line.data(), box.width()));
  }
  if (ok) {
    // What shows now, to be compared with the next frame.
    if (whole) shown_ = QImage(frame.size(), QImage::Format_RGB32);
    for (std::size_t i = 0; i < indices.size(); ++i) {
      if (indices[i] < 0) continue;
      const GifColorType c = map->Colors[entryOf[static_cast<std::size_t>(indices[i])]];
      shown_.setPixel(box.left() + static_cast<int>(i % boxWidth), box.top() + static_cast<int>(i / boxWidth),
                      qRgb(c.Red, c.Green, c.Blue));
    }
  }
  GifFreeMapObject(map);
  if (!ok) return false;
  last_ = frame;
  ++written_;
  return true;
}

}  // namespace kestrin::tools
