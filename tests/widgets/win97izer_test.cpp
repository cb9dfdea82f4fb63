#include "widgets/win97izer.h"

#include <QApplication>
#include <QEnterEvent>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QStringListModel>
#include <QTest>

using tunaro::widgets::TEdgeType;
using tunaro::widgets::TWin97izer;
namespace widgets = tunaro::widgets;

namespace {

// System colours that differ from each other, so every pixel tells where it came from.
const QColor Face(192, 192, 192);
const QColor Window(255, 255, 255);
const QColor Dark(128, 128, 128);
const QColor Light(250, 250, 250);
const QColor Midlight(224, 224, 224);
const QColor Shadow(0, 0, 0);
const QColor Own(255, 0, 255);  // the decorated control's own colour

// A control that fills itself with its own colour, so untouched pixels show as that colour.
class TSolid : public QWidget {
 public:
  explicit TSolid(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), palette().color(backgroundRole()));
  }
};

void SetOwnColor(QWidget* w, const QColor& color) {
  QPalette pal = w->palette();
  pal.setColor(w->backgroundRole(), color);
  w->setPalette(pal);
}

char Letter(const QColor& c) {
  const std::pair<QColor, char> names[] = {{Face, 'F'},  {Window, 'W'},   {Dark, 'D'},
                                           {Light, 'L'}, {Midlight, 'M'}, {Shadow, 'S'},
                                           {Own, 'X'}};
  for (const auto& [color, letter] : names)
    if (color == c) return letter;
  return '?';
}

// The middle of the left, top, right and bottom side on the outer three rings, as letters:
// "LTRB LTRB LTRB" from the outside in.
QString Rings(QWidget* w) {
  const QImage image = w->grab().toImage();
  const int cx = image.width() / 2, cy = image.height() / 2;
  const int r = image.width() - 1, b = image.height() - 1;
  QString out;
  for (int ring = 0; ring < 3; ++ring) {
    if (ring) out += ' ';
    out += Letter(image.pixelColor(ring, cy));
    out += Letter(image.pixelColor(cx, ring));
    out += Letter(image.pixelColor(r - ring, cy));
    out += Letter(image.pixelColor(cx, b - ring));
  }
  return out;
}

void Enter(QWidget* w) {
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(w, &enter);
}

void Leave(QWidget* w) {
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(w, &leave);
}

enum TState { Flat, Hover, Focus, FocusAndHover, Disabled };

}  // namespace

Q_DECLARE_METATYPE(TEdgeType)
Q_DECLARE_METATYPE(TState)

class Win97izerTest : public QObject {
  Q_OBJECT

 private:
  QWidget* Form = nullptr;
  TSolid* Control = nullptr;
  QWidget* Other = nullptr;
  TWin97izer* Decorator = nullptr;

 private slots:
  void initTestCase() {
    QPalette pal = QApplication::palette();
    pal.setColor(QPalette::Button, Face);
    pal.setColor(QPalette::Window, Face);
    pal.setColor(QPalette::Base, Window);
    pal.setColor(QPalette::Dark, Dark);
    pal.setColor(QPalette::Light, Light);
    pal.setColor(QPalette::Midlight, Midlight);
    pal.setColor(QPalette::Shadow, Shadow);
    QApplication::setPalette(pal);
  }

  void init() {
    Form = new QWidget;
    Form->resize(300, 200);
    Control = new TSolid(Form);
    Control->setGeometry(10, 10, 60, 30);
    SetOwnColor(Control, Own);
    Other = new TSolid(Form);
    Other->setGeometry(100, 10, 60, 30);
    Decorator = new TWin97izer(Form);
    Form->show();
    Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form));
    Other->setFocus();
  }

  void cleanup() {
    delete Form;
    Form = nullptr;
  }

  void edgeFlags_data() {
    QTest::addColumn<TEdgeType>("edge");
    QTest::addColumn<int>("flags");
    QTest::newRow("sunken outer") << TEdgeType::etSunkenOuter << 2;
    QTest::newRow("raised inner") << TEdgeType::etRaisedInner << 4;
    QTest::newRow("sunken inner") << TEdgeType::etSunkenInner << 8;
    QTest::newRow("raised outer") << TEdgeType::etRaisedOuter << 1;
    QTest::newRow("bump") << TEdgeType::etBump << 9;
    QTest::newRow("big bump") << TEdgeType::etBigBump << 9;
    QTest::newRow("etched") << TEdgeType::etEtched << 6;
    QTest::newRow("raised") << TEdgeType::etRaised << 5;
    QTest::newRow("sunken") << TEdgeType::etSunken << 10;
    QTest::newRow("flat button") << TEdgeType::etFlatButton << 4;
  }
  void edgeFlags() {
    QFETCH(TEdgeType, edge);
    QFETCH(int, flags);
    Decorator->EdgeType = edge;
    QCOMPARE(Decorator->EdgeFlags(), flags);
  }

  // F face, W window, D shadow, L light, M midlight, S dark shadow, X the control's colour.
  void border_data() {
    QTest::addColumn<TEdgeType>("edge");
    QTest::addColumn<TState>("state");
    QTest::addColumn<QColor>("own");
    QTest::addColumn<QString>("rings");
    const auto flat = TEdgeType::etFlatButton, so = TEdgeType::etSunkenOuter,
               raised = TEdgeType::etRaised;
    QTest::newRow("flat button, flat") << flat << Flat << Own << "FFFF FFFF XXXX";
    QTest::newRow("flat button, hover") << flat << Hover << Own << "LLDD XXXX XXXX";
    QTest::newRow("flat button, focus") << flat << Focus << Own << "LLDD FFFF FFFF";
    QTest::newRow("flat button, both") << flat << FocusAndHover << Own << "LLDD XXXX XXXX";
    QTest::newRow("flat button, disabled") << flat << Disabled << Own << "FFFF WWWW FFFF";
    QTest::newRow("sunken outer, flat") << so << Flat << Own << "FFFF FFFF XXXX";
    QTest::newRow("sunken outer, hover") << so << Hover << Own << "DDLL FFXX XXXX";
    QTest::newRow("sunken outer, focus") << so << Focus << Own << "DDLL FFXX XXXX";
    QTest::newRow("sunken outer, disabled") << so << Disabled << Own << "FFFF WWWW FFFF";
    QTest::newRow("raised, flat") << raised << Flat << Own << "FFFF FFFF XXXX";
    QTest::newRow("raised, hover") << raised << Hover << Own << "MMSS LLDD XXXX";
    QTest::newRow("raised, focus") << raised << Focus << Own << "MMSS LLDD XXXX";
    QTest::newRow("raised, window colour") << raised << Hover << Window << "MMDD FFDD WWWW";
    QTest::newRow("raised outer") << TEdgeType::etRaisedOuter << Hover << Own << "MMDD FFXX XXXX";
    QTest::newRow("raised inner") << TEdgeType::etRaisedInner << Hover << Own << "LLDD FFXX XXXX";
    QTest::newRow("sunken inner") << TEdgeType::etSunkenInner << Hover << Own << "SSMM FFXX XXXX";
    QTest::newRow("bump") << TEdgeType::etBump << Hover << Own << "MMDD DDMM XXXX";
    QTest::newRow("big bump") << TEdgeType::etBigBump << Hover << Own << "WWDD DDWW XXXX";
    QTest::newRow("etched") << TEdgeType::etEtched << Hover << Own << "DDLL LLDD XXXX";
    QTest::newRow("etched, window colour")
        << TEdgeType::etEtched << Hover << Window << "DDLL FFDD WWWW";
    QTest::newRow("sunken") << TEdgeType::etSunken << Hover << Own << "DDLL SSMM XXXX";
  }
  void border() {
    QFETCH(TEdgeType, edge);
    QFETCH(TState, state);
    QFETCH(QColor, own);
    QFETCH(QString, rings);
    SetOwnColor(Control, own);
    Decorator->EdgeType = edge;
    Decorator->SetWin97Control(Control);
    if (state == Hover || state == FocusAndHover) Enter(Control);
    if (state == Focus || state == FocusAndHover) Control->setFocus();
    if (state == Disabled) Control->setEnabled(false);
    QCOMPARE(Control->hasFocus(), state == Focus || state == FocusAndHover);
    QCOMPARE(Rings(Control), rings);
  }

  void followsEnterLeaveAndFocus() {
    Decorator->EdgeType = TEdgeType::etSunkenOuter;
    Decorator->SetWin97Control(Control);
    Enter(Control);
    QVERIFY(Decorator->MouseInside);
    QCOMPARE(Rings(Control), "DDLL FFXX XXXX");
    Leave(Control);
    QVERIFY(!Decorator->MouseInside);
    QCOMPARE(Rings(Control), "FFFF FFFF XXXX");
    Control->setFocus();
    QCOMPARE(Rings(Control), "DDLL FFXX XXXX");
    Other->setFocus();
    QCOMPARE(Rings(Control), "FFFF FFFF XXXX");
  }

  void enablingRestoresTheSavedColour() {
    Decorator->SetWin97Control(Control);
    QCOMPARE(Decorator->SavedColor, Own);
    Control->setEnabled(false);
    QCOMPARE(Control->palette().color(Control->backgroundRole()), Face);
    Control->setEnabled(true);
    QCOMPARE(Control->palette().color(Control->backgroundRole()), Own);
    QCOMPARE(Rings(Control), "FFFF FFFF XXXX");
    // Disabled through its parent counts as well.
    Form->setEnabled(false);
    QCOMPARE(Control->palette().color(QPalette::Disabled, Control->backgroundRole()), Face);
    Form->setEnabled(true);
    QCOMPARE(Control->palette().color(Control->backgroundRole()), Own);
  }

  void edgeTypeChangeShowsAtNextPaint() {
    Decorator->EdgeType = TEdgeType::etSunkenOuter;
    Decorator->SetWin97Control(Control);
    Enter(Control);
    QCOMPARE(Rings(Control), "DDLL FFXX XXXX");
    Decorator->EdgeType = TEdgeType::etRaised;
    QCOMPARE(Rings(Control), "MMSS LLDD XXXX");
  }

  void detachingOrMovingLeavesTheControlAlone() {
    SetOwnColor(Other, Own);
    Decorator->SetWin97Control(Control);
    Enter(Control);
    Decorator->SetWin97Control(Other);
    QCOMPARE(Rings(Control), "XXXX XXXX XXXX");
    QCOMPARE(Rings(Other), "DDLL FFXX XXXX");  // it has the focus
    Decorator->SetWin97Control(nullptr);
    QCOMPARE(Decorator->Win97Control(), nullptr);
    QCOMPARE(Rings(Other), "XXXX XXXX XXXX");
    Leave(Control);
    QVERIFY(Decorator->MouseInside);  // no longer listening
  }

  void destroyingTheControlFirstDetaches() {
    auto* decorator = new TWin97izer;
    decorator->SetWin97Control(Control);
    delete Control;
    Control = nullptr;
    QCOMPARE(decorator->Win97Control(), nullptr);
    delete decorator;  // nothing left to give back
  }

  // Real controls: a scroll area keeps a ring outside its viewport for the border, and a
  // button gives up its own frame.
  void listViewShowsItsEdge() {
    auto* list = new QListView(Form);
    list->setModel(new QStringListModel({"one", "two"}, list));
    list->setGeometry(10, 60, 120, 100);
    list->show();
    Decorator->EdgeType = TEdgeType::etSunkenOuter;
    Decorator->SetWin97Control(list);
    QCOMPARE(Rings(list).left(9), "FFFF FFFF");
    Enter(list);
    // The inner right and bottom are the control's own sunken panel.
    QCOMPARE(Rings(list).left(9), "DDLL FFMM");
    QCOMPARE(list->viewport()->geometry(), list->rect().adjusted(2, 2, -2, -2));
  }

  void pushButtonShowsItsEdge() {
    auto* button = new QPushButton("OK", Form);
    button->setGeometry(10, 60, 85, 25);
    button->show();
    Decorator->EdgeType = TEdgeType::etFlatButton;
    Decorator->SetWin97Control(button);
    QVERIFY(button->isFlat());
    QCOMPARE(Rings(button).left(9), "FFFF FFFF");
    Enter(button);
    QCOMPARE(Rings(button).left(4), "LLDD");
  }
};

QTEST_MAIN(Win97izerTest)
#include "win97izer_test.moc"
