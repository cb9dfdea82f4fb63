#include "widgets/long_check_list_box.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

namespace tunaro::widgets {

namespace {

// Lays the text out in lines of at most maxWidth pixels: at word boundaries where it can,
// anywhere inside a word that is longer than a line (a path often has no spaces at all).
// Returns the size the lines take.
QSize LayOutText(QTextLayout& layout, int maxWidth) {
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  qreal y = 0;
  qreal width = 0;
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(maxWidth);
    line.setPosition(QPointF(0, y));
    y += line.height();
    width = std::max(width, line.naturalTextWidth());
  }
  layout.endLayout();
  return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(y))};
}

QString SingleParagraph(QString text) {
  text.replace(QLatin1Char('\n'), QChar::LineSeparator);
  return text;
}

}  // namespace

THintWindow::THintWindow(QWidget* parent)
    : QLabel(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput) {
  // The hint lies over the item under the pointer; the list must keep getting the moves.
  // Where the window system does not let input pass through, the hint hands it on itself.
  setMouseTracking(true);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
}

bool THintWindow::event(QEvent* event) {
  if (event->type() == QEvent::Leave) emit PointerLeft();
  if (!MouseTarget_) return QLabel::event(event);
  switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      const auto* e = static_cast<QMouseEvent*>(event);
      QMouseEvent copy(e->type(), MouseTarget_->mapFromGlobal(e->globalPosition()),
                       e->globalPosition(), e->button(), e->buttons(), e->modifiers(),
                       e->pointingDevice());
      QApplication::sendEvent(MouseTarget_, &copy);
      return true;
    }
    case QEvent::ContextMenu: {
      // The right click that Qt turns into a menu request lands on the hint's window, and
      // such requests never cross into another window by themselves.
      const auto* e = static_cast<QContextMenuEvent*>(event);
      QContextMenuEvent copy(e->reason(), MouseTarget_->mapFromGlobal(e->globalPos()),
                             e->globalPos(), e->modifiers());
      QApplication::sendEvent(MouseTarget_, &copy);
      return true;
    }
    case QEvent::Wheel: {
      const auto* e = static_cast<QWheelEvent*>(event);
      QWheelEvent copy(MouseTarget_->mapFromGlobal(e->globalPosition()), e->globalPosition(),
                       e->pixelDelta(), e->angleDelta(), e->buttons(), e->modifiers(), e->phase(),
                       e->inverted(), e->source(), e->pointingDevice());
      QApplication::sendEvent(MouseTarget_, &copy);
      return true;
    }
    default:
      return QLabel::event(event);
  }
}

QRect THintWindow::CalcHintRect(int maxWidth, const QString& text) const {
  QTextLayout layout(SingleParagraph(text), font());
  const QSize size = LayOutText(layout, maxWidth);
  return {0, 0, size.width() + 2 * HorizontalMargin, size.height() + 2 * VerticalMargin};
}

void THintWindow::ActivateHint(const QRect& screenRect, const QString& text) {
  setText(text);
  setGeometry(screenRect);
  show();
  update();
}

void THintWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& pal = palette();
  painter.fillRect(rect(), pal.color(QPalette::ToolTipBase));
  painter.setPen(pal.color(QPalette::ToolTipText));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  QTextLayout layout(SingleParagraph(text()), font());
  LayOutText(layout, width() - 2 * HorizontalMargin);
  layout.draw(&painter, QPointF(HorizontalMargin, VerticalMargin));
}

// One per window, shared by all the lists in it. An event filter runs before the window's
// own handling, so the hook delivers the move to the window itself and only then lets the
// lists hide their hints; sharing it delivers each move to the window exactly once.
class TFormMouseHook : public QObject {
  Q_OBJECT

 public:
  explicit TFormMouseHook(QWidget* form) : QObject(form), Form(form) {
    form->installEventFilter(this);
    // Without tracking a window only hears of moves while a button is held.
    form->setMouseTracking(true);
  }

  QWidget* Form;
  QList<QPointer<TLongCheckListBox>> Lists;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != Form || event->type() != QEvent::MouseMove) return false;
    static_cast<QObject*>(Form)->event(event);
    for (const QPointer<TLongCheckListBox>& list : QList(Lists))
      if (list) list->FormMouseMove();
    return true;
  }
};

int TLongCheckListBox::CheckBoxWidth = 0;
int TLongCheckListBox::CheckBoxHeight = 0;

TLongCheckListBox::TLongCheckListBox(QWidget* parent) : QListView(parent) {
  setUniformItemSizes(true);
  // Like the classic check list: no horizontal scrolling; long texts are what hints are for.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setMouseTracking(true);
  viewport()->setMouseTracking(true);
  HintWindow = new THintWindow(this);
  HintWindow->SetMouseTarget(viewport());
  connect(HintWindow, &THintWindow::PointerLeft, this, &TLongCheckListBox::ForgetHintIfPointerAway);
  HintWindow->hide();
  LastHintIndex = -1;
  OnlyWhenFocused = false;
  CheckBoxWidth = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
  CheckBoxHeight = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
  HookForm();
}

TLongCheckListBox::~TLongCheckListBox() {
  UnhookForm();
}

void TLongCheckListBox::HideHint() {
  HintWindow->hide();
}

void TLongCheckListBox::ForgetHint() {
  HideHint();
  LastHintIndex = -1;
}

void TLongCheckListBox::HookForm() {
  QWidget* form = isWindow() ? nullptr : window();
  if (form == HookedForm_) return;
  UnhookForm();
  HookedForm_ = form;
  if (!form) return;
  auto* hook = form->findChild<TFormMouseHook*>(QString(), Qt::FindDirectChildrenOnly);
  if (!hook) hook = new TFormMouseHook(form);
  hook->Lists.append(this);
}

void TLongCheckListBox::UnhookForm() {
  if (!HookedForm_) return;
  auto* hook = HookedForm_->findChild<TFormMouseHook*>(QString(), Qt::FindDirectChildrenOnly);
  HookedForm_ = nullptr;
  if (!hook) return;
  hook->Lists.removeAll(this);
  if (!hook->Lists.isEmpty()) return;
  // Not deleted at once: this may run while the old window walks its children.
  hook->Form->removeEventFilter(hook);
  hook->setParent(nullptr);
  hook->deleteLater();
}

bool TLongCheckListBox::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::ParentChange:
    case QEvent::Show:
      // The list may be built before it is put into its window.
      HookForm();
      break;
    case QEvent::Hide:
    case QEvent::WindowDeactivate:
      ForgetHint();
      break;
    case QEvent::Leave:
      ForgetHintIfPointerAway();
      break;
    default:
      break;
  }
  return QListView::event(event);
}

// The pointer went straight from the list (or its hint) to another control or window: a
// hint left behind would float there. While the pointer is still over the list, the leave
// only means the hint window came up under it.
void TLongCheckListBox::ForgetHintIfPointerAway() {
  if (!viewport()->rect().contains(viewport()->mapFromGlobal(QCursor::pos()))) ForgetHint();
}

void TLongCheckListBox::FormMouseMove() {
  ForgetHint();
}

void TLongCheckListBox::scrollContentsBy(int dx, int dy) {
  QListView::scrollContentsBy(dx, dy);
  // The item under the pointer is another one now; the old hint would show a wrong text.
  ForgetHint();
}

void TLongCheckListBox::mouseMoveEvent(QMouseEvent* event) {
  QListView::mouseMoveEvent(event);
  UpdateHint(event->position().toPoint());
}

QRect TLongCheckListBox::ItemRect(const QModelIndex& index) const {
  QRect r = visualRect(index);
  r.setRight(std::min(r.right(), viewport()->rect().right()));
  return r;
}

void TLongCheckListBox::UpdateHint(const QPoint& pos) {
  if (OnlyWhenFocused && QApplication::focusWidget() != this) return;
  if (!EnableHint) {
    HideHint();
    return;
  }
  // A point outside the visible rows (say, handed on by the part of the hint that lies past
  // the list's edge) is on no item.
  const QModelIndex index = viewport()->rect().contains(pos) ? indexAt(pos) : QModelIndex();
  const int row = index.isValid() ? index.row() : -1;
  if (row == LastHintIndex) return;
  LastHintIndex = row;
  HideHint();
  if (row < 0) return;

  HintWindow->setFont(font());
  HintWindow->setPalette(QToolTip::palette());
  const QRect r = ItemRect(index);
  const QString text = index.data(Qt::DisplayRole).toString();
  const QRect h = HintWindow->CalcHintRect(THintWindow::MaxHintWidth, text);
  if (h.width() < r.width() - CheckBoxWidth) return;

  // Over the item's text, a quarter of a check box higher.
  const QPoint topLeft(r.left() + CheckBoxWidth + 1, r.top() - CheckBoxHeight / 4);
  const QRect screenRect(viewport()->mapToGlobal(topLeft), h.size());
  HintWindow->ActivateHint(screenRect, text);
}

}  // namespace tunaro::widgets

#include "long_check_list_box.moc"
