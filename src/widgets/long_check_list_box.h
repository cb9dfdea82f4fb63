// A check list (model/view, so that 100,000 entries stay fluid) that shows an item's whole
// text in a hint laid over the item when the text is too wide for the list.
#pragma once

#include <QListView>
#include <QPointer>

class QLabel;

namespace tunaro::widgets {

class TLongCheckListBox : public QListView {
  Q_OBJECT

 public:
  explicit TLongCheckListBox(QWidget* parent = nullptr);
  ~TLongCheckListBox() override;

  // Hides the hint window; LastHintIndex stays as it is.
  void HideHint();

  bool OnlyWhenFocused = false;
  bool EnableHint = false;
  int LastHintIndex = -1;
  QLabel* HintWindow = nullptr;

  // The size of one check-box image of the style, shared by all instances.
  static int CheckBoxWidth;
  static int CheckBoxHeight;
};

}  // namespace tunaro::widgets
