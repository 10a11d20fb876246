// Every caption of every design shows whole: laid out and drawn by the
// host's own code, in the face it really uses, at 1x and at the fractional
// device pixel ratios of the usual laptop settings. And the face compiled
// into the program lays text out and draws it as the toolkit does from the
// font files it came from.
#include <cmath>
#include <vector>

#include <QFont>
#include <QFontInfo>
#include <QPainter>
#include <QRegularExpression>
#include <QTextLayout>

#include "designs/designs.h"
#include "designs/face.h"
#include "host/qt/window/face_widgets.h"
#include "host/qt/text/face_outlines.h"
#include "host/qt/text/to_qstring.h"
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
QRectF inkAround(const Control& label, qreal ratio) {
  const QRect box = pixelBox(label);
  constexpr int kRoom = 40;  // a whole number of device pixels at 1.25 and 1.5 too
  QImage image(static_cast<int>(std::ceil((box.width() + 2 * kRoom) * ratio)),
               static_cast<int>(std::ceil((box.height() + 2 * kRoom) * ratio)),
               QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.translate(QPoint(kRoom, kRoom) - box.topLeft());
  paintCaption(painter, label);
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
    const draw::Face face = draw::toFace(label.design().font);
    const QRectF box(QPointF(0, 0), QSizeF(pixelBox(label).size()));

    if (label.kind() == ControlKind::CommandButton) {
      // The host's real button: what it needs for its caption fits it.
      ScreenWindow window(*host, screen);
      auto* button = dynamic_cast<FaceButton*>(window.button(*original));
      ASSERT_NE(button, nullptr);
      EXPECT_EQ(button->face(), face);
      EXPECT_LE(button->sizeHint().width(), button->width());
      EXPECT_LE(button->sizeHint().height(), button->height());
      ++buttons;
      continue;
    }
    ++labels;

    // Broken between words only, every word kept, in order.
    const QString text = QString::fromStdString(each.caption);
    const draw::CaptionLayout layout = draw::captionOf(label);
    QStringList lines;
    for (std::size_t i = 0; i < layout.lineCount(); ++i) {
      const std::u16string_view line = layout.line(i).text;
      lines.append(QString::fromUtf16(line.data(), static_cast<qsizetype>(line.size())).trimmed());
    }
    EXPECT_EQ(words(lines.join(QLatin1Char(' '))), words(text)) << "lines: " << lines.join(QLatin1Char('|')).toStdString();
    qreal widest = 0;
    for (const QString& line : lines) widest = std::max(widest, face.advance(utf16Of(line)));
    const qreal capHeight = outlineOf(face, u"H", QPointF()).boundingRect().height();
    const qreal tallest =
        static_cast<qreal>(lines.size() - 1) * (face.lineHeight() + face.leading()) + capHeight;

    // Bold "Lives" is 100 pixels in 97, centred: the one caption allowed to
    // lose a pixel and a half at each side.
    const qreal spill = (label.design().font.bold && each.caption == "Lives") ? 1.5 : 0.0;
    for (const qreal ratio : {1.0, 1.25, 1.5}) {
      SCOPED_TRACE(ratio);
      const QRectF ink = inkAround(label, ratio);
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

// A caption is laid out from the characters Qt's own decoding gives,
// whatever its bytes: whole characters of every length, and bytes that
// begin none (cut short, overlong, surrogates, past U+10FFFF, stray).
TEST(CaptionText, ReadsUtf8AsTheToolkitDoes) {
  const std::string_view bytes[] = {
      "", "Score : 1000", "caf\xC3\xA9", "\xE2\x82\xAC 5", "\xF0\x9F\x8E\xAE!",
      "\xC3", "a\xE2\x82", "\xF0\x9F\x8E", "\x80x", "\xBF\xBF", "\xC0\xAF", "\xE0\x80\xAF",
      "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xFF\xFE", "\xC3(",
      std::string_view("a\0b", 3)};
  for (const std::string_view b : bytes) {
    const QString theirs = toQString(b);
    EXPECT_EQ(draw::toUtf16(b), std::u16string_view(utf16Of(theirs)))
        << QByteArray(b.data(), static_cast<qsizetype>(b.size())).toHex(' ').toStdString();
  }
}

// Neighbouring glyphs that overlap ("ff", "__", "_j") are filled whole in a
// label's caption, as on a button or in a box: no hole where they cross.
TEST(CaptionText, OverlappingGlyphsAreFilledWhole) {
  const draw::Face face(39, false);
  const std::u16string_view text = u"Off __ (j) ff";
  const draw::CaptionLayout caption(text, face, {0, 0, 400, 60}, Alignment::Left);
  ASSERT_EQ(caption.lineCount(), 1u);
  QImage label(400, 60, QImage::Format_Grayscale8);
  QImage button = label;
  label.fill(Qt::white);
  button.fill(Qt::white);
  QPainter onLabel(&label);
  fillText(onLabel, outlineOf(caption), Qt::black);
  onLabel.end();
  QPainter onButton(&button);
  const draw::PathPoint origin = caption.line(0).origin;
  fillText(onButton, outlineOf(face, QStringView(text.data(), static_cast<qsizetype>(text.size())),
                               QPointF(origin.x, origin.y)),
           Qt::black);
  onButton.end();
  EXPECT_EQ(label, button);
}

// The toolkit's font for a face, from the font files the outlines came from.
QFont toolkitFont(const draw::Face& face) {
  QFont font(toQString(designs::kFaceRegular.family));
  font.setPixelSize(static_cast<int>(face.pixelSize()));
  font.setBold(face.bold());
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

// Every text the program shows, at every size it shows it, is as wide in
// the face as the toolkit's shaper makes it from the font files, to the
// 1/64 pixel: the advances and every kerning pair were taken whole. And
// each glyph covers the pixels the toolkit's own outline covers.
TEST(ProgramFace, LaysOutAndDrawsAsTheFontFilesDo) {
  const QFont probe = toolkitFont(draw::Face(32, false));
  ASSERT_EQ(QFontInfo(probe).family(), toQString(designs::kFaceRegular.family))
      << "the fonts to compare with are missing: install fonts-liberation2";
  QStringList texts;
  for (const Caption& each : everyCaption()) texts.append(QString::fromStdString(each.caption));
  QString ascii;
  for (char16_t c = 0x20; c < 0x7F; ++c) ascii.append(QChar(c));
  texts << ascii << QStringLiteral("Game Over") << QStringLiteral("You Win")
        << QStringLiteral("Overflow") << QStringLiteral("Kestrin Brick Breaker")
        << QStringLiteral("AVAWAYATVAVYFAPATJTaTeLTLYL\"P.T,F.r.y.");
  for (const qreal size : {11.0, 12.0, 13.0, 16.0, 32.0, 39.0}) {
    for (const bool bold : {false, true}) {
      const draw::Face face(size, bold);
      for (const QString& text : texts) {
        QTextLayout layout(text, toolkitFont(face));
        QTextOption option;
        option.setUseDesignMetrics(true);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(100000);
        layout.endLayout();
        EXPECT_EQ(face.advance(utf16Of(text)) * 64, std::round(line.horizontalAdvance() * 64))
            << size << (bold ? " bold \"" : " \"") << text.toStdString() << '"';
      }
    }
  }
  // Drawn 96 pixels high, glyph by glyph, against the toolkit's outline of
  // the same glyph: pixels that differ by more than a third number at most
  // one in fifty of the glyph's inked ones.
  for (const bool bold : {false, true}) {
    const draw::Face face(96, bold);
    for (const QChar c : ascii) {
      QPainterPath theirs;
      theirs.addText(QPointF(16, 112), toolkitFont(face), QString(c));
      const QPainterPath ours = outlineOf(face, QStringView(&c, 1), QPointF(16, 112));
      QImage a(128, 144, QImage::Format_Grayscale8), b(128, 144, QImage::Format_Grayscale8);
      a.fill(Qt::white);
      b.fill(Qt::white);
      QPainter pa(&a), pb(&b);
      fillText(pa, theirs, Qt::black);
      fillText(pb, ours, Qt::black);
      pa.end();
      pb.end();
      int differ = 0, ink = 0;
      for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
          const int pixelA = a.pixelColor(x, y).value(), pixelB = b.pixelColor(x, y).value();
          if (pixelA < 128) ++ink;
          if (std::abs(pixelA - pixelB) > 85) ++differ;
        }
      }
      EXPECT_LE(differ * 50, ink)
          << (bold ? "bold '" : "'") << c.toLatin1() << "': " << differ << " pixels differ";
      if (c != u' ') {
        EXPECT_GT(ink, 0) << c.toLatin1();
      }
    }
  }
}

}  // namespace
}  // namespace kestrin::qt::test
