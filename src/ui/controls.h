// Small controls of the main window that Qt has no exact match for.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

namespace tunaro::ui {

// A bevel: either a rule along its top edge or a lowered box around its rectangle.
class TBevel : public QWidget {
  Q_OBJECT

 public:
  enum class TShape { TopLine, LoweredBox };
  explicit TBevel(TShape shape, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TShape Shape_;
};

// A fixed-size label whose text wraps at blanks and, where a word (a long path) is wider than
// the label, anywhere inside it. What does not fit is cut off.
class TWrapLabel : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A group box whose caption sits on its etched frame line, half the font's height below its
// top, so that controls placed a little lower stay clear of the line. (Styles such as Fusion
// draw the line below the whole caption, right through the first row of such controls.)
class TGroupBox : public QGroupBox {
  Q_OBJECT

 public:
  using QGroupBox::QGroupBox;
  // The frame line's distance from the top.
  int LineTop() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A button that shows a bitmap centred, its sides cut off when the button is narrower.
class TBitBtn : public QPushButton {
  Q_OBJECT

 public:
  using QPushButton::QPushButton;
  void SetGlyph(const QPixmap& glyph);
  const QPixmap& Glyph() const { return Glyph_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap Glyph_;
};

// The window's icon (a 32 x 32 and a 16 x 16 image) and the home-page banner (369 x 20),
// drawn when the program starts.
QIcon MakeAppIcon();
QPixmap MakeBanner();

}  // namespace tunaro::ui
