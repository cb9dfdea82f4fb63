// The window's plan tables as a test sees them: every one shown, the last one's texts in
// front, and the answer each gets.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <vector>

#include "ui/dialog_plan.h"
#include "ui/form_main.h"

namespace tunaro::test {

struct TPlanSeen {
  struct TTable {
    QString Title, Summary;
    std::vector<ui::TPlanRow> Rows;
    bool OkEnabled = false;
  };
  QString Title, Summary;
  std::vector<ui::TPlanRow> Rows;
  std::vector<TTable> All;
  int Shown = 0;
  bool Accept = true;

  void Attach(ui::TFormMain& form) {
    form.ConfirmPlan = [this](ui::TDialogPlan& plan) {
      ++Shown;
      Title = plan.windowTitle();
      Summary = plan.LabelSummary->text();
      Rows = plan.Model->Rows();
      All.push_back({Title, Summary, Rows, plan.ButtonOK->isEnabled()});
      // The table shows the model's rows, failing ones marked.
      if (plan.TablePlan->model()->rowCount() != static_cast<int>(Rows.size())) return false;
      return Accept;
    };
  }
};

}  // namespace tunaro::test
