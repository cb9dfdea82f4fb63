// Gives one control a flat look: its border is painted in the button-face colour while it
// has neither the focus nor the mouse, and a 3-D edge of the chosen style otherwise.
#pragma once

#include <QColor>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QWidget>

class QPainter;

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

// The lines of a 3-D edge, as bits: one outer and one inner line at most.
enum TEdgeFlag : int {
  BdrRaisedOuter = 1,
  BdrSunkenOuter = 2,
  BdrRaisedInner = 4,
  BdrSunkenInner = 8,
  EdgeRaised = BdrRaisedOuter | BdrRaisedInner,
  EdgeSunken = BdrSunkenOuter | BdrSunkenInner,
  EdgeEtched = BdrSunkenOuter | BdrRaisedInner,
  EdgeBump = BdrRaisedOuter | BdrSunkenInner,
};

class TWin97izer : public QObject {
  Q_OBJECT

 public:
  explicit TWin97izer(QObject* owner = nullptr);
  ~TWin97izer() override;

  // Attaches to the control (detaching from any earlier one); nullptr detaches.
  void SetWin97Control(QWidget* control);
  QWidget* Win97Control() const { return Control_; }

  // Gives the control its saved colour, or the button face while it is disabled.
  void UpdateColor();
  // Asks the control to repaint; the border is painted over it in that paint.
  void RedrawBorder();
  int EdgeFlags() const;

  // The palette role that holds the control's own colour (its background).
  static QPalette::ColorRole ColorRole(const QWidget* control);

  TEdgeType EdgeType = TEdgeType::etSunkenOuter;
  QColor SavedColor;
  bool MouseInside = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PaintBorder(QPainter& painter) const;

  QPointer<QWidget> Control_;
};

}  // namespace tunaro::widgets
