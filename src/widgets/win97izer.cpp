#include "widgets/win97izer.h"

#include <QEvent>

namespace tunaro::widgets {

TWin97izer::TWin97izer(QObject* owner) : QObject(owner) {}

TWin97izer::~TWin97izer() { SetWin97Control(nullptr); }

void TWin97izer::SetWin97Control(QWidget* control) {
  if (Control_) Control_->removeEventFilter(this);
  Control_ = control;
  if (!Control_) return;
  Control_->installEventFilter(this);
  SavedColor = Control_->palette().color(Control_->backgroundRole());
}

void TWin97izer::UpdateColor() {}

void TWin97izer::RedrawBorder() {}

bool TWin97izer::eventFilter(QObject* watched, QEvent* event) {
  return QObject::eventFilter(watched, event);
}

}  // namespace tunaro::widgets
