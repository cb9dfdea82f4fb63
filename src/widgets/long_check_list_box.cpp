#include "widgets/long_check_list_box.h"

#include <QLabel>

namespace tunaro::widgets {

int TLongCheckListBox::CheckBoxWidth = 0;
int TLongCheckListBox::CheckBoxHeight = 0;

TLongCheckListBox::TLongCheckListBox(QWidget* parent) : QListView(parent) {
  setUniformItemSizes(true);
  HintWindow = new QLabel(this, Qt::ToolTip);
  HintWindow->hide();
}

TLongCheckListBox::~TLongCheckListBox() = default;

void TLongCheckListBox::HideHint() { HintWindow->hide(); }

}  // namespace tunaro::widgets
