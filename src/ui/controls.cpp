#include "ui/controls.h"

#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>

namespace tunaro::ui {

TBevel::TBevel(TShape shape, QWidget* parent) : QWidget(parent), Shape_(shape) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TBevel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor shadow = palette().color(QPalette::Dark);
  const QColor light = palette().color(QPalette::Light);
  const int r = width() - 1, b = height() - 1;
  if (Shape_ == TShape::TopLine) {
    p.setPen(shadow);
    p.drawLine(0, 0, r, 0);
    p.setPen(light);
    p.drawLine(0, 1, r, 1);
    return;
  }
  p.setPen(shadow);
  p.drawLine(0, 0, r - 1, 0);
  p.drawLine(0, 0, 0, b - 1);
  p.setPen(light);
  p.drawLine(0, b, r, b);
  p.drawLine(r, 0, r, b);
}

int TGroupBox::LineTop() const {
  return QFontMetrics(font()).height() / 2;
}

void TGroupBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor shadow = palette().color(QPalette::Dark);
  const QColor light = palette().color(QPalette::Light);
  const QRect frame(0, LineTop(), width() - 1, height() - 1 - LineTop());
  p.setPen(shadow);
  p.drawRect(frame.adjusted(0, 0, -1, -1));
  p.setPen(light);
  p.drawRect(frame.adjusted(1, 1, 0, 0));
  const QFontMetrics metrics(font());
  const QRect caption(8, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
  p.fillRect(caption, palette().color(backgroundRole()));
  p.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  p.drawText(caption, Qt::AlignCenter | Qt::TextShowMnemonic, title());
}

void TWrapLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  const QRect area = contentsRect();
  // Lines one pixel apart beyond the font's height, as the bitmap Song face of 12 pixels
  // sets them: the CJK faces at hand have far taller line heights, which would not let the
  // fixed-size labels hold their lines.
  const int size = font().pixelSize() > 0 ? font().pixelSize() : QFontMetrics(font()).height();
  const int step = size + 1;
  const int firstBaseline = area.top() + size * 11 / 12;
  // A text layout breaks lines only at line separators, not at "\n".
  QString shown = text();
  shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
  QTextLayout layout(shown, font());
  layout.setTextOption(option);
  layout.beginLayout();
  for (int i = 0;; ++i) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(area.width());
    line.setPosition(QPointF(area.left(), firstBaseline + i * step - line.ascent()));
  }
  layout.endLayout();
  p.setClipRect(area);
  layout.draw(&p, QPointF(0, 0));
}

void TBitBtn::SetGlyph(const QPixmap& glyph) {
  Glyph_ = glyph;
  update();
}

void TBitBtn::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  option.icon = QIcon();
  p.drawControl(QStyle::CE_PushButtonBevel, option);
  if (Glyph_.isNull()) return;
  const QRect inner = rect().adjusted(2, 2, -2, -2);
  const QSize size = Glyph_.deviceIndependentSize().toSize();
  QPoint at(inner.left() + (inner.width() - size.width()) / 2,
            inner.top() + (inner.height() - size.height()) / 2);
  if (isDown()) at += QPoint(1, 1);
  p.setClipRect(inner);
  p.drawPixmap(at, Glyph_);
}

namespace {

// A note on a sheet: the program's mark, in the few plain colours of a 16-colour icon.
QPixmap IconImage(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, size >= 32);
  const qreal k = size / 32.0;
  p.scale(k, k);
  p.setPen(QPen(QColor(0, 0, 128), 1.5));
  p.setBrush(QColor(255, 255, 255));
  p.drawRect(QRectF(4.5, 2.5, 20, 26));
  p.setBrush(QColor(0, 128, 128));
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 3; ++i) p.drawRect(QRectF(8, 7 + 5 * i, 12, 2));
  p.setBrush(QColor(128, 0, 0));
  p.drawEllipse(QRectF(14, 21, 9, 7));
  p.drawRect(QRectF(21, 8, 2.5, 16.5));
  QPainterPath flag;
  flag.moveTo(23.5, 8);
  flag.lineTo(29.5, 12);
  flag.lineTo(23.5, 14.5);
  flag.closeSubpath();
  p.drawPath(flag);
  return pixmap;
}

}  // namespace

QIcon MakeAppIcon() {
  QIcon icon;
  icon.addPixmap(IconImage(32));
  icon.addPixmap(IconImage(16));
  return icon;
}

QPixmap MakeBanner() {
  QPixmap banner(369, 20);
  QPainter p(&banner);
  QLinearGradient sky(0, 0, 369, 0);
  sky.setColorAt(0, QColor(0, 32, 96));
  sky.setColorAt(0.5, QColor(32, 96, 176));
  sky.setColorAt(1, QColor(0, 32, 96));
  p.fillRect(banner.rect(), sky);
  p.setPen(QColor(255, 204, 0));
  for (int x = 6; x < 369; x += 24) {
    p.drawLine(x, 14, x + 3, 6);
    p.drawPoint(x + 1, 15);
  }
  QFont font;
  font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
  font.setPixelSize(13);
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(0, 0, 0, 160));
  const QRect text = banner.rect().adjusted(1, 1, 1, 1);
  p.drawText(text, Qt::AlignCenter, QStringLiteral("MORVIX  \u00b7  Tunaro"));
  p.setPen(Qt::white);
  p.drawText(banner.rect(), Qt::AlignCenter, QStringLiteral("MORVIX  \u00b7  Tunaro"));
  return banner;
}

}  // namespace tunaro::ui
