// A check list (model/view, so that 100,000 entries stay fluid) that shows an item's whole
// text in a hint laid over the item when the text is too wide for the list.
#pragma once

#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QRect>
#include <QString>

namespace tunaro::widgets {

// A small frameless tool-tip window. Measuring and painting share one text layout, so the
// rectangle a text is measured at is exactly the one it is drawn into.
class THintWindow : public QLabel {
  Q_OBJECT

 public:
  explicit THintWindow(QWidget* parent = nullptr);

  // The rectangle, starting at (0, 0) and margins included, needed to show the text with
  // lines at most maxWidth pixels wide.
  QRect CalcHintRect(int maxWidth, const QString& text) const;
  // Shows the text in the given screen rectangle.
  void ActivateHint(const QRect& screenRect, const QString& text);
  // The widget beneath the hint that gets the mouse events landing on the hint.
  void SetMouseTarget(QWidget* target) { MouseTarget_ = target; }

  static constexpr int MaxHintWidth = 400;

 signals:
  // The pointer left the hint window.
  void PointerLeft();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QPointer<QWidget> MouseTarget_;

  static constexpr int HorizontalMargin = 3;  // border line and padding, each side
  static constexpr int VerticalMargin = 1;
};

class TLongCheckListBox : public QListView {
  Q_OBJECT

 public:
  explicit TLongCheckListBox(QWidget* parent = nullptr);
  ~TLongCheckListBox() override;

  // Hides the hint window; LastHintIndex stays as it is.
  void HideHint();
  // The mouse moved over the containing window's own surface: hides and forgets the hint.
  void FormMouseMove();

  // The window the list listens to for mouse moves over its own surface; none when the
  // list is a window itself.
  QWidget* HookedForm() const { return HookedForm_; }

  THintWindow* HintWindow = nullptr;
  int LastHintIndex = -1;
  bool OnlyWhenFocused = false;
  bool EnableHint = false;

  // The size of one check-box image of the style, shared by all instances.
  static int CheckBoxWidth;
  static int CheckBoxHeight;

 protected:
  bool event(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // Listens to the containing window's mouse moves, after the window's own handling.
  void HookForm();
  void UnhookForm();
  void UpdateHint(const QPoint& pos);
  void ForgetHint();
  void ForgetHintIfPointerAway();
  // The item's rectangle in viewport coordinates, cut to the visible width as a list
  // without horizontal scrolling would have it.
  QRect ItemRect(const QModelIndex& index) const;

  QPointer<QWidget> HookedForm_;
};

}  // namespace tunaro::widgets
