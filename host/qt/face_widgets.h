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

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  draw::Face face_;
};

// The program's message box: its text in the program's face at the size of
// the system's font, above an "OK" button at the right that answers it, on
// Enter, Space or Escape too. It is wide enough for the window system to
// show its title whole.
class MessageBox : public QDialog {
 public:
  MessageBox(const QString& text, const QString& title, QWidget* parent);

  const QString& text() const { return text_; }
  FaceButton* okButton() const { return ok_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  draw::Face face_;
  QPoint textOrigin_;  // the left end of the text's baseline
  FaceButton* ok_;
};

// The system's font size, in logical pixels: where the program puts text
// the designs do not size.
qreal systemFontPixels();

}  // namespace kestrin::qt
