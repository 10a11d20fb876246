// The pictures and the icon are compiled in as the pixels the build decoded
// them to: each must be, pixel for pixel, what Qt decodes from the file in
// the tree (shrunk to its box, where the designs only ever stretch it into
// a smaller one), or the game would show something other than its pictures.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <QDir>
#include <QImageReader>
#include <QResource>

#include <gtest/gtest.h>

#include "designs/designs.h"
#include "host/qt/pictures/raw_pixels.h"
#include "host/qt/text/to_qstring.h"

namespace kestrin::qt::test {
namespace {

TEST(RawPixels, EveryCompiledPictureIsItsFileDecoded) {
  struct Case {
    QString file, resource;
    QSize size;  // as compiled: the stretched pictures at the size of their box
  };
  std::vector<Case> cases;
  const std::pair<const char*, QSize> pictures[] = {
      {"brickbreaker-title.jpg", {300, 200}}, {"brickbreaker-title@2x.jpg", {600, 400}},
      {"dodge-title.jpg", {300, 200}},        {"dodge-title@2x.jpg", {600, 400}},
      {"monkey.gif", {80, 56}},               {"monkey@2x.gif", {160, 112}},
      {"banana.gif", {48, 40}},               {"banana@2x.gif", {96, 80}}};
  for (const auto& [name, size] : pictures) {
    cases.push_back({QStringLiteral(KESTRIN_PICTURES "/") + QLatin1String(name),
                     QStringLiteral(":/pictures/") + QLatin1String(name) + QStringLiteral(".kpx"), size});
  }
  for (const int size : {16, 32, 48, 64, 128}) {
    const QString path = QStringLiteral("%1x%1/apps/io.github.kestrin.Kestrin.png").arg(size);
    cases.push_back({QStringLiteral(KESTRIN_ICONS "/") + path, QStringLiteral(":/icon/") + path + ".kpx",
                     QSize(size, size)});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.resource.toStdString());
    QImage decoded = QImage(c.file).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_FALSE(decoded.isNull());
    // Shrunk the way the program shrinks a picture into its box.
    if (decoded.size() != c.size) {
      decoded = decoded.scaled(c.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    // Inflated, if at all, by zlib: zstd's library would be paged in for it.
    EXPECT_NE(QResource(c.resource).compressionAlgorithm(), QResource::ZstdCompression);
    // Twice: a picture read in place gives its pages back when it goes, and
    // reads the same when it is loaded again.
    for (int time = 0; time < 2; ++time) {
      const QImage compiled = loadRawPixels(c.resource);
      ASSERT_EQ(compiled.format(), QImage::Format_ARGB32_Premultiplied);
      EXPECT_EQ(compiled.size(), c.size);
      EXPECT_EQ(compiled, decoded);
    }
  }
}

// Every picture a design shows has its own size in the designs, which is
// its file's (and half its @2x file's), and where a design shows it at that
// size, the size of its pixels compiled in: every host places and repaints
// a picture by it without decoding the picture.
TEST(RawPixels, PictureSizesInTheDesignsAreTheFilesOwn) {
  for (const designs::PictureSize& p : designs::kPictureSizes) {
    SCOPED_TRACE(std::string(p.picture));
    const QString file = QStringLiteral(KESTRIN_PICTURES "/") + toQString(p.picture);
    QString twice = file;
    twice.insert(twice.lastIndexOf(QLatin1Char('.')), QLatin1String(kTwiceSizeMark));
    EXPECT_EQ(QImageReader(file).size(), QSize(p.width, p.height));
    EXPECT_EQ(QImageReader(twice).size(), QSize(2 * p.width, 2 * p.height));
  }
  int shown = 0;
  for (const ScreenDesign* screen : designs::kEveryScreen) {
    for (const ControlDesign& c : screen->controls) {
      if (c.kind != ControlKind::Image) continue;
      SCOPED_TRACE(std::string(screen->name) + "." + std::string(c.name));
      const designs::PictureSize own = designs::pictureSize(c.picture);
      ASSERT_GT(own.width, 0);
      ASSERT_GT(own.height, 0);
      if (c.stretch) continue;
      const QString resource = QStringLiteral(":/pictures/") + toQString(c.picture) + QStringLiteral(".kpx");
      EXPECT_EQ(loadRawPixels(resource).size(), QSize(own.width, own.height));
      ++shown;
    }
  }
  EXPECT_EQ(shown, 2);  // the launcher's title cards
}

// The launcher's title cards are stored as they are and drawn from the
// binary where it lies, with nothing inflated or copied, unless their rows
// would not start on a whole word there; bytes that are not aligned so are
// copied to a place that is, with the same pixels.
TEST(RawPixels, FirstFramePicturesAreReadInPlace) {
  for (const char* name : {"brickbreaker-title.jpg", "dodge-title.jpg"}) {
    SCOPED_TRACE(name);
    const QResource file(QStringLiteral(":/pictures/") + QLatin1String(name) + QStringLiteral(".kpx"));
    ASSERT_TRUE(file.isValid());
    EXPECT_EQ(file.compressionAlgorithm(), QResource::NoCompression);
    const QImage image = loadRawPixels(file.fileName());
    ASSERT_FALSE(image.isNull());
    const auto* pixels = file.data() + kRawPixelsHeader;
    const bool aligned = reinterpret_cast<std::uintptr_t>(pixels) % 4 == 0;
    EXPECT_EQ(image.constBits() == pixels, aligned);
  }
  QImage image(3, 2, QImage::Format_ARGB32_Premultiplied);
  image.fill(qRgba(10, 20, 30, 255));
  const QByteArray buffer = QByteArray(1, 'x') + toRawPixels(image);
  const QImage read = fromRawPixels(QByteArray::fromRawData(buffer.constData() + 1, buffer.size() - 1));
  EXPECT_EQ(read, image);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(read.constBits()) % 4, 0u);
}

// A file cut short, or one of another kind, is no picture rather than
// pixels read from past its end.
TEST(RawPixels, DamagedFilesAreNoPicture) {
  QImage image(3, 2, QImage::Format_ARGB32_Premultiplied);
  image.fill(qRgba(10, 20, 30, 255));
  const QByteArray whole = toRawPixels(image);
  ASSERT_EQ(whole.size(), kRawPixelsHeader + 3 * 2 * 4);
  EXPECT_EQ(fromRawPixels(whole), image);

  QByteArray tooLarge = whole;
  tooLarge[4] = 4;  // four pixels wide, with the rows of three
  QByteArray otherFormat = whole;
  otherFormat[12] = static_cast<char>(QImage::Format_Indexed8);
  QByteArray otherMagic = whole;
  otherMagic[0] = 'X';
  for (const QByteArray& bytes : {whole.left(whole.size() - 1), whole.left(10), QByteArray(),
                                  tooLarge, otherFormat, otherMagic, whole + "x"}) {
    EXPECT_TRUE(fromRawPixels(bytes).isNull()) << bytes.size() << " bytes";
  }
  EXPECT_TRUE(loadRawPixels(QStringLiteral(":/pictures/no-such-picture.kpx")).isNull());
}

}  // namespace
}  // namespace kestrin::qt::test
