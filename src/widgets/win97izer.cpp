#include "widgets/win97izer.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPainter>
#include <QPushButton>

namespace tunaro::widgets {

namespace {

// The system colours come from the application palette, not the control's: the control's
// own colour is what UpdateColor changes.
struct TColors {
  QColor Face, Window, Shadow, Light, Midlight, DarkShadow;
};

TColors SystemColors() {
  const QPalette pal = QGuiApplication::palette();
  return {pal.color(QPalette::Active, QPalette::Button),
          pal.color(QPalette::Active, QPalette::Base),
          pal.color(QPalette::Active, QPalette::Dark),
          pal.color(QPalette::Active, QPalette::Light),
          pal.color(QPalette::Active, QPalette::Midlight),
          pal.color(QPalette::Active, QPalette::Shadow)};
}

// Fills the rectangle given by its left, top and exclusive right and bottom.
void Fill(QPainter& p, int l, int t, int r, int b, const QColor& color) {
  if (r > l && b > t) p.fillRect(QRect(l, t, r - l, b - t), color);
}

void Frame(QPainter& p, const QRect& r, const QColor& color) {
  Fill(p, r.left(), r.top(), r.right() + 1, r.top() + 1, color);
  Fill(p, r.left(), r.bottom(), r.right() + 1, r.bottom() + 1, color);
  Fill(p, r.left(), r.top(), r.left() + 1, r.bottom() + 1, color);
  Fill(p, r.right(), r.top(), r.right() + 1, r.bottom() + 1, color);
}

// One line of a 3-D edge: the bottom and right sides run the full length and so own the
// top-right and bottom-left corners, as on the classic look.
void EdgeLine(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  Fill(p, r.left(), r.top(), r.right(), r.top() + 1, topLeft);
  Fill(p, r.left(), r.top(), r.left() + 1, r.bottom(), topLeft);
  Fill(p, r.left(), r.bottom(), r.right() + 1, r.bottom() + 1, bottomRight);
  Fill(p, r.right(), r.top(), r.right() + 1, r.bottom() + 1, bottomRight);
}

// Draws the edge's lines from the outside in; returns the rectangle inside them.
QRect DrawEdge(QPainter& p, QRect r, int flags, const TColors& c) {
  if (flags & BdrRaisedOuter) {
    EdgeLine(p, r, c.Midlight, c.DarkShadow);
    r.adjust(1, 1, -1, -1);
  } else if (flags & BdrSunkenOuter) {
    EdgeLine(p, r, c.Shadow, c.Light);
    r.adjust(1, 1, -1, -1);
  }
  if (flags & BdrRaisedInner) {
    EdgeLine(p, r, c.Light, c.Shadow);
    r.adjust(1, 1, -1, -1);
  } else if (flags & BdrSunkenInner) {
    EdgeLine(p, r, c.DarkShadow, c.Midlight);
    r.adjust(1, 1, -1, -1);
  }
  return r;
}

}  // namespace

TWin97izer::TWin97izer(QObject* owner) : QObject(owner) {}

TWin97izer::~TWin97izer() {
  SetWin97Control(nullptr);
}

QPalette::ColorRole TWin97izer::ColorRole(const QWidget* control) {
  if (auto* area = qobject_cast<const QAbstractScrollArea*>(control))
    return area->viewport()->backgroundRole();
  if (auto* combo = qobject_cast<const QComboBox*>(control); combo && combo->isEditable())
    return QPalette::Base;
  return control->backgroundRole();
}

void TWin97izer::SetWin97Control(QWidget* control) {
  if (Control_) {
    Control_->removeEventFilter(this);
    Control_->update();
  }
  Control_ = control;
  if (!Control_) return;
  Control_->installEventFilter(this);
  SavedColor = Control_->palette().color(QPalette::Active, ColorRole(Control_));
  // The border is ours. A framed control keeps a 2-pixel sunken panel (the classic client
  // edge) so that its children leave room for it; buttons and combo boxes lose their own
  // frame.
  if (auto* frame = qobject_cast<QFrame*>(Control_)) {
    frame->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  } else if (auto* button = qobject_cast<QPushButton*>(Control_)) {
    button->setFlat(true);
  } else if (auto* combo = qobject_cast<QComboBox*>(Control_)) {
    combo->setFrame(false);
  }
  UpdateColor();
}

void TWin97izer::UpdateColor() {
  if (!Control_) return;
  QPalette pal = Control_->palette();
  pal.setColor(ColorRole(Control_), Control_->isEnabled() ? SavedColor : SystemColors().Face);
  Control_->setPalette(pal);
  RedrawBorder();
}

void TWin97izer::RedrawBorder() {
  if (Control_) Control_->update();
}

int TWin97izer::EdgeFlags() const {
  switch (EdgeType) {
    case TEdgeType::etSunkenOuter:
      return BdrSunkenOuter;
    case TEdgeType::etRaisedInner:
      return BdrRaisedInner;
    case TEdgeType::etSunkenInner:
      return BdrSunkenInner;
    case TEdgeType::etRaisedOuter:
      return BdrRaisedOuter;
    case TEdgeType::etBump:
    case TEdgeType::etBigBump:
      return EdgeBump;
    case TEdgeType::etEtched:
      return EdgeEtched;
    case TEdgeType::etRaised:
      return EdgeRaised;
    case TEdgeType::etSunken:
      return EdgeSunken;
    case TEdgeType::etFlatButton:
      return BdrRaisedInner;
  }
  return 0;
}

void TWin97izer::PaintBorder(QPainter& painter) const {
  const TColors c = SystemColors();
  QRect r = Control_->rect();
  if (!Control_->hasFocus() && !MouseInside) {
    Frame(painter, r, c.Face);
    r.adjust(1, 1, -1, -1);
    Frame(painter, r, Control_->isEnabled() ? c.Face : c.Window);
    return;
  }

  r = DrawEdge(painter, r, EdgeFlags(), c);
  const int L = r.left(), T = r.top(), R = r.right() + 1, B = r.bottom() + 1;
  const bool windowColored =
      Control_->palette().color(QPalette::Active, ColorRole(Control_)) == c.Window;
  switch (EdgeType) {
    case TEdgeType::etSunkenOuter:
      Fill(painter, L, T, L + 1, B - 1, c.Face);
      Fill(painter, L, T, R - 1, T + 1, c.Face);
      break;
    case TEdgeType::etRaisedInner:
    case TEdgeType::etSunkenInner:
      Fill(painter, L, T, L + 1, B, c.Face);
      Fill(painter, L, T, R, T + 1, c.Face);
      break;
    case TEdgeType::etRaisedOuter:
      Fill(painter, L, T, L + 1, B, c.Face);
      Fill(painter, L, T, R, T + 1, c.Face);
      Fill(painter, R, T - 1, R + 1, B + 1, c.Shadow);
      Fill(painter, L - 1, B, R + 1, B + 1, c.Shadow);
      break;
    case TEdgeType::etBump:
    case TEdgeType::etBigBump:
      Fill(painter, L - 1, T - 1, L, B, c.Shadow);
      Fill(painter, L, T - 1, R, T, c.Shadow);
      Fill(painter, R + 1, T - 2, R + 2, B + 2, c.Shadow);
      Fill(painter, L - 2, B + 1, R + 2, B + 2, c.Shadow);
      if (EdgeType == TEdgeType::etBigBump) {
        Fill(painter, L - 2, T - 2, L - 1, B + 1, c.Window);
        Fill(painter, L - 2, T - 2, R + 1, T - 1, c.Window);
        Fill(painter, R, T - 2, R + 1, B + 1, c.Window);
        Fill(painter, L - 2, B, R + 1, B + 1, c.Window);
      }
      break;
    case TEdgeType::etEtched:
      if (windowColored) {
        Fill(painter, L - 1, T, L, B, c.Face);
        Fill(painter, L - 1, T - 1, R, T, c.Face);
      }
      break;
    case TEdgeType::etRaised:
      if (windowColored) {
        Fill(painter, L - 1, T, L, B, c.Face);
        Fill(painter, L - 2, T - 1, R + 1, T, c.Face);
        Fill(painter, R + 1, T - 2, R + 2, B + 2, c.Shadow);
        Fill(painter, L - 2, B + 1, R + 2, B + 2, c.Shadow);
      }
      break;
    case TEdgeType::etSunken:
      break;
    case TEdgeType::etFlatButton:
      // Focused with the mouse elsewhere: a 2-pixel button-face band inside the line.
      if (!MouseInside) {
        Fill(painter, L, T, L + 2, B, c.Face);
        Fill(painter, L, T, R, T + 2, c.Face);
        Fill(painter, R - 2, T, R, B, c.Face);
        Fill(painter, L, B - 2, R, B, c.Face);
      }
      break;
  }
}

bool TWin97izer::eventFilter(QObject* watched, QEvent* event) {
  if (watched != Control_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Paint: {
      // A widget can only be drawn on while it paints: let it paint itself first, then
      // paint the border over it in the same pass.
      static_cast<QObject*>(Control_.data())->event(event);
      QPainter painter(Control_);
      PaintBorder(painter);
      return true;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      RedrawBorder();
      break;
    case QEvent::EnabledChange:
      UpdateColor();
      break;
    case QEvent::Enter:
      MouseInside = true;
      RedrawBorder();
      break;
    case QEvent::Leave:
      MouseInside = false;
      RedrawBorder();
      break;
    default:
      break;
  }
  return false;
}

}  // namespace tunaro::widgets
