// Gives one control a flat look: its border is painted in the button-face colour while it
// has neither the focus nor the mouse, and a 3-D edge of the chosen style otherwise.
#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace tunaro::widgets {

enum class TEdgeType {
  etSunkenOuter,
  etRaisedInner,
  etSunkenInner,
  etRaisedOuter,
  etBump,
  etBigBump,
  etEtched,
  etRaised,
  etSunken,
  etFlatButton
};

class TWin97izer : public QObject {
  Q_OBJECT

 public:
  explicit TWin97izer(QObject* owner = nullptr);
  ~TWin97izer() override;

  // Attaches to the control (detaching from any earlier one); nullptr detaches.
  void SetWin97Control(QWidget* control);
  QWidget* Win97Control() const { return Control_; }

  void UpdateColor();
  void RedrawBorder();

  TEdgeType EdgeType = TEdgeType::etSunkenOuter;
  QColor SavedColor;
  bool MouseInside = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> Control_;
};

}  // namespace tunaro::widgets
