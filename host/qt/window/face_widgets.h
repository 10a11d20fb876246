#pragma once

#include <QDialog>
#include <QPushButton>
#include <QString>

#include "host/common/face.h"

namespace kestrin::qt {

// A push button as the style draws it, with its caption drawn in the
// program's face (host/common/face.h) rather than in a font of the
// toolkit's.
// It keeps its text() for whatever reads it (accessibility, mnemonics);
// only the drawing and the size it asks for are its own.
class FaceButton : public QPushButton {
 public:
  FaceButton(const QString& text, const draw::Face& face, QWidget* parent);

  const draw::Face& face() const { return face_; }
  void setFace(const draw::Face& face);
  // Drawn this many times its own size, frame, focus frame and caption
  // alike: a button over a design shown larger or smaller than designed.
  qreal zoom() const { return zoom_; }
  void setZoom(qreal zoom);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  draw::Face face_;
  qreal zoom_ = 1;
};

// The program's message box: its text in the program's face at the size of
// the system's font, above an "OK" button at the right that answers it, on
// Enter, Space or Escape too. It is wide enough for the window system to
// show its title whole, and has no minimise or maximise button.
//
// Under Wayland the toolkit draws windows' frames itself, with a minimise
// and a maximise button whatever the window, and cuts a title short where
// they stand; there the box draws a frame of its own instead (`ownFrame`):
// a title bar with its title whole and a close button, which moves the box
// when dragged. `zoom` scales all the box draws, with the window it stands
// over.
class MessageBox : public QDialog {
 public:
  MessageBox(const QString& text, const QString& title, QWidget* parent, qreal zoom = 1,
             bool ownFrame = framesItself());

  // Whether boxes draw their own frame where they are shown: under Wayland.
  static bool framesItself();

  const QString& text() const { return text_; }
  FaceButton* okButton() const { return ok_; }
  // The title bar and its close button, where the box draws them (empty
  // where the window system does).
  QRect titleBar() const { return titleBar_; }
  QRect closeButton() const { return close_; }
  // Where the title's text goes in the title bar: its left end and width.
  QRectF titleText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QString text_;
  QString title_;
  draw::Face face_;
  draw::Face titleFace_;
  QPoint textOrigin_;  // the left end of the text's baseline
  FaceButton* ok_;
  QRect titleBar_;
  QRect close_;
  bool closePressed_ = false;
};

// The system's font size, in logical pixels: where the program puts text
// the designs do not size.
qreal systemFontPixels();

}  // namespace kestrin::qt
