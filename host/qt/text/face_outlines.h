#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QStringView>

#include "host/common/caption_layout.h"
#include "host/common/face.h"

class QColor;
class QPainter;

// The program's face (host/common/face.h) drawn with Qt: its outlines as
// painter paths, filled as the toolkit fills text. Text is drawn from the
// outlines compiled into the program rather than through the toolkit's
// fonts, which would load fontconfig and its settings, FreeType, HarfBuzz
// and the font files, some 3 MiB of memory for a dozen words, and draw in
// whatever face the machine put in the place of a missing one.
namespace kestrin::qt {

// The text's outline, with the left end of its baseline at `origin`.
QPainterPath outlineOf(const draw::Face& face, QStringView text, QPointF origin);
// Every line of a laid-out caption, where the layout put it.
QPainterPath outlineOf(const draw::CaptionLayout& caption);

// Fills a text's outline in `colour`, antialiased whatever the painter's
// hints, as the toolkit draws text.
void fillText(QPainter& painter, const QPainterPath& outline, const QColor& colour);

}  // namespace kestrin::qt
