// Every caption of every design shows whole: laid out and drawn by the
// host's own code, in the font it really uses, at 1x and at the fractional
// device pixel ratios of the usual laptop settings.
#include <cmath>
#include <vector>

#ifdef KESTRIN_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

#include <QFontInfo>
#include <QPainter>
#include <QRegularExpression>

#include "designs/designs.h"
#include "host/qt/program_face.h"
#include "host_fixture.h"

namespace kestrin::qt::test {
namespace {

struct Caption {
  const ScreenDesign* design;
  const ControlDesign* control;
  std::string caption;
};

// Each label's and button's own caption, and the score labels with every
// length of score up to five digits (all digits are equally wide).
std::vector<Caption> everyCaption() {
  std::vector<Caption> all;
  for (const ScreenDesign* design : {&designs::kMain, &designs::kBrickBreakerLevel1,
                                     &designs::kBrickBreakerLevel2, &designs::kBrickBreakerLevel3,
                                     &designs::kDodge}) {
    for (const ControlDesign& c : design->controls) {
      if (c.kind != ControlKind::Label && c.kind != ControlKind::CommandButton) continue;
      all.push_back({design, &c, std::string(c.caption)});
      if (c.name != "lblScore") continue;
      for (const char* score : {"8", "10", "250", "1000", "99999", "12345"}) {
        all.push_back({design, &c, score});
      }
    }
  }
  return all;
}

// The words in order, one space between.
std::string words(const QString& text) {
  return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)
      .join(QLatin1Char(' '))
      .toStdString();
}

// Where the caption's ink lands, in logical pixels relative to the label's
// box, drawn unclipped at `ratio` into a transparent image with room around
// the box. Pixels the antialiasing only touches count as ink.
QRectF inkAround(const Control& label, PictureCache& pictures, qreal ratio) {
  const QRect box = pixelBox(label);
  constexpr int kRoom = 40;  // a whole number of device pixels at 1.25 and 1.5 too
  QImage image(static_cast<int>(std::ceil((box.width() + 2 * kRoom) * ratio)),
               static_cast<int>(std::ceil((box.height() + 2 * kRoom) * ratio)),
               QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.translate(QPoint(kRoom, kRoom) - box.topLeft());
  paintCaption(painter, label, pictures);
  painter.end();
  int left = image.width(), right = -1, top = image.height(), bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x + 1);
      top = std::min(top, y);
      bottom = std::max(bottom, y + 1);
    }
  }
  if (right < 0) return {};
  return {QPointF(left / ratio - kRoom, top / ratio - kRoom),
          QPointF(right / ratio - kRoom, bottom / ratio - kRoom)};
}

TEST_F(HostTest, EveryCaptionShowsWholeInItsBoxAtEveryScale) {
  start();
  int labels = 0;
  int buttons = 0;
  for (const Caption& each : everyCaption()) {
    const std::string where = std::string(each.design->name) + "." + std::string(each.control->name) +
                              " \"" + each.caption + "\"";
    SCOPED_TRACE(where);
    Screen& screen = program().screen(each.design->name);
    if (!screen.loaded()) program().load(screen);
    const Control* original = screen.form()->find(each.control->name, each.control->index);
    ASSERT_NE(original, nullptr);
    Control label = *original;
    label.Caption = each.caption;
    const QFont& font = host->pictures().font(label.design().font);
    ASSERT_EQ(QFontInfo(font).family(), QStringLiteral("Liberation Sans"))
        << "the face is missing: install fonts-liberation2";
    const QRectF box(QPointF(0, 0), QSizeF(pixelBox(label).size()));

    if (label.kind() == ControlKind::CommandButton) {
      // The host's real button: what it needs for its caption fits it.
      ScreenWindow window(*host, screen);
      QPushButton* button = window.button(*original);
      ASSERT_NE(button, nullptr);
      EXPECT_EQ(QFontInfo(button->font()).family(), QStringLiteral("Liberation Sans"));
      EXPECT_EQ(button->font().pixelSize(), font.pixelSize());
      EXPECT_LE(button->sizeHint().width(), button->width());
      EXPECT_LE(button->sizeHint().height(), button->height());
      ++buttons;
      continue;
    }
    ++labels;

    // Broken between words only, every word kept, in order.
    const QString text = QString::fromStdString(each.caption);
    const QStringList lines =
        CaptionLayout(text, font, pixelBox(label), label.design().alignment).lines();
    EXPECT_EQ(words(lines.join(QLatin1Char(' '))), words(text)) << "lines: " << lines.join(QLatin1Char('|')).toStdString();
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
    const qreal tallest =
        static_cast<qreal>(lines.size() - 1) * metrics.lineSpacing() + metrics.capHeight();

    // Bold "Lives" is 100 pixels in 97, centred: the one caption allowed to
    // lose a pixel and a half at each side.
    const qreal spill = (label.design().font.bold && each.caption == "Lives") ? 1.5 : 0.0;
    for (const qreal ratio : {1.0, 1.25, 1.5}) {
      SCOPED_TRACE(ratio);
      const QRectF ink = inkAround(label, host->pictures(), ratio);
      ASSERT_FALSE(ink.isEmpty());
      // All of it inside the box, but for what antialiasing puts on the
      // device pixel the box's edge runs through.
      const qreal pixel = 1.0 / ratio;
      EXPECT_GE(ink.left(), box.left() - spill - pixel);
      EXPECT_LE(ink.right(), box.right() + spill + pixel);
      EXPECT_GE(ink.top(), box.top());
      EXPECT_LE(ink.bottom(), box.bottom() + pixel);
      // And drawn all along and all down: no line cut short or left out.
      EXPECT_GT(ink.width(), widest * 0.85);
      EXPECT_GT(ink.height(), tallest * 0.9);
      if (label.design().alignment == Alignment::Centre && lines.size() == 1) {
        EXPECT_NEAR(ink.center().x(), box.center().x(), 2.0);
      }
    }
  }
  EXPECT_EQ(buttons, 4);  // "Reset" on each game screen
  EXPECT_GT(labels, 40);
}

#ifdef KESTRIN_HAVE_FONTCONFIG
// The family of every face fontconfig lists to the toolkit.
QStringList fontconfigFamilies() {
  QStringList families;
  FcPattern* all = FcPatternCreate();
  FcObjectSet* family = FcObjectSetBuild(FC_FAMILY, FC_STYLE, nullptr);
  FcFontSet* fonts = FcFontList(nullptr, all, family);
  for (int i = 0; fonts != nullptr && i < fonts->nfont; ++i) {
    FcChar8* name = nullptr;
    if (FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &name) == FcResultMatch) {
      families.append(QString::fromUtf8(reinterpret_cast<const char*>(name)));
    }
  }
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  FcObjectSetDestroy(family);
  FcPatternDestroy(all);
  return families;
}
#endif

// Once the program has started, fontconfig lists no face but the program's
// own to the toolkit (which asks at its first paint, in the game); a family
// that is not installed changes nothing, rather than leave the program no
// face at all.
TEST_F(HostTest, TheProgramFaceIsTheOnlyOneListed) {
  start();
  const QString face = QString::fromLatin1(kProgramFace);
  EXPECT_FALSE(keepOnlyFontFamily("No Such Family Anywhere"));
#ifdef KESTRIN_HAVE_FONTCONFIG
  const QStringList listed = fontconfigFamilies();
  EXPECT_GE(listed.size(), 2);  // regular and bold, the two drawn in
  EXPECT_EQ(listed.count(face), listed.size()) << listed.join(", ").toStdString();
#endif
  EXPECT_EQ(QFontInfo(inProgramFace(QFont())).family(), face);
}

}  // namespace
}  // namespace kestrin::qt::test
