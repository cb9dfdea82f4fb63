#include "widgets/long_check_list_box.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QTest>

using tunaro::widgets::THintWindow;
using tunaro::widgets::TLongCheckListBox;

namespace {

// A window with a mouse-move handler of its own, which notes whether the hint was still up
// when it ran.
class TForm : public QWidget {
 public:
  int Moves = 0;
  bool HintVisibleInHandler = false;
  TLongCheckListBox* List = nullptr;

 protected:
  void mouseMoveEvent(QMouseEvent*) override {
    ++Moves;
    HintVisibleInHandler = List && List->HintWindow->isVisible();
  }
};

// Counts how often the hint window is shown and hidden.
class TShowCounter : public QObject {
 public:
  int Shows = 0;
  int Hides = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) ++Shows;
    if (event->type() == QEvent::Hide) ++Hides;
    return false;
  }
};

const QString ShortText = "a.mp3";
const QString LongText = "/home/someone/Music/Some Artist/01 - A Long Title.mp3";

}  // namespace

class LongCheckListBoxTest : public QObject {
  Q_OBJECT

 private:
  TForm* Form = nullptr;
  TLongCheckListBox* List = nullptr;
  QLineEdit* Edit = nullptr;
  QStandardItemModel* Model = nullptr;

  void SetItems(const QStringList& texts) {
    Model->clear();
    for (const QString& text : texts) {
      auto* item = new QStandardItem(text);
      item->setCheckable(true);
      Model->appendRow(item);
    }
  }

  QPoint Center(int row) const {
    return {List->viewport()->width() / 2, List->visualRect(Model->index(row, 0)).center().y()};
  }

  void MoveTo(const QPoint& viewportPos) {
    QMouseEvent move(QEvent::MouseMove, viewportPos, List->viewport()->mapToGlobal(viewportPos),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(List->viewport(), &move);
  }

  QPoint BelowLastItem() const {
    const QRect last = List->visualRect(Model->index(Model->rowCount() - 1, 0));
    return {List->viewport()->width() / 2, last.bottom() + 5};
  }

  // Width of the item as the hint compares it (the visible part of the row).
  int ItemWidth(int row) const {
    QRect r = List->visualRect(Model->index(row, 0));
    return std::min(r.right(), List->viewport()->rect().right()) - r.left() + 1;
  }

 private slots:
  void init() {
    Form = new TForm;
    Form->resize(500, 300);
    List = new TLongCheckListBox(Form);
    Form->List = List;
    List->setGeometry(10, 10, 170, 200);
    List->EnableHint = true;
    Model = new QStandardItemModel(List);
    List->setModel(Model);
    SetItems({ShortText, LongText, ShortText});
    Edit = new QLineEdit(Form);
    Edit->setGeometry(200, 10, 100, 20);
    Form->show();
    Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form));
    List->setFocus();
  }

  void cleanup() {
    delete Form;
    Form = nullptr;
  }

  void startsWithoutHint() {
    TLongCheckListBox fresh;
    QCOMPARE(fresh.LastHintIndex, -1);
    QCOMPARE(fresh.OnlyWhenFocused, false);
    QCOMPARE(fresh.EnableHint, false);
    QVERIFY(!fresh.HintWindow->isVisible());
    QCOMPARE(fresh.HookedForm(), nullptr);
    QCOMPARE(TLongCheckListBox::CheckBoxWidth,
             fresh.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &fresh));
    QCOMPARE(TLongCheckListBox::CheckBoxHeight,
             fresh.style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, &fresh));
    QVERIFY(TLongCheckListBox::CheckBoxWidth > 0);
  }

  void shortItemShowsNoHint() {
    MoveTo(Center(0));
    QCOMPARE(List->LastHintIndex, 0);
    QVERIFY(!List->HintWindow->isVisible());
  }

  // Available width (item width less the check box) against the measured width.
  void widthThreshold_data() {
    QTest::addColumn<int>("spare");
    QTest::addColumn<bool>("shows");
    QTest::newRow("one pixel short") << -1 << true;
    QTest::newRow("exactly equal") << 0 << true;
    QTest::newRow("one pixel spare") << 1 << false;
  }
  void widthThreshold() {
    QFETCH(int, spare);
    QFETCH(bool, shows);
    const int needed = List->HintWindow->CalcHintRect(THintWindow::MaxHintWidth, LongText).width();
    const int wanted = needed + TLongCheckListBox::CheckBoxWidth + spare;
    List->resize(List->width() + wanted - ItemWidth(1), List->height());
    QCoreApplication::processEvents();
    QCOMPARE(ItemWidth(1) - TLongCheckListBox::CheckBoxWidth, needed + spare);
    MoveTo(Center(1));
    QCOMPARE(List->LastHintIndex, 1);
    QCOMPARE(List->HintWindow->isVisible(), shows);
  }

  void hintLiesOverTheItem() {
    MoveTo(Center(1));
    QVERIFY(List->HintWindow->isVisible());
    const QRect r = List->visualRect(Model->index(1, 0));
    const QRect h = List->HintWindow->CalcHintRect(THintWindow::MaxHintWidth, LongText);
    const QPoint topLeft =
        List->viewport()->mapToGlobal(QPoint(r.left() + TLongCheckListBox::CheckBoxWidth + 1,
                                             r.top() - TLongCheckListBox::CheckBoxHeight / 4));
    QCOMPARE(List->HintWindow->geometry(), QRect(topLeft, h.size()));
    QCOMPARE(List->HintWindow->text(), LongText);
    QCOMPARE(List->HintWindow->font(), List->font());
  }

  void movingAlongOneItemShowsOnce() {
    TShowCounter counter;
    List->HintWindow->installEventFilter(&counter);
    const QRect r = List->visualRect(Model->index(1, 0));
    for (int x = r.left() + 2; x < List->viewport()->width(); x += 15)
      MoveTo(QPoint(x, r.center().y()));
    QCOMPARE(counter.Shows, 1);
    QCOMPARE(counter.Hides, 0);
    QVERIFY(List->HintWindow->isVisible());
  }

  void movingToAnotherItemOrBelowTheLastHides() {
    MoveTo(Center(1));
    MoveTo(Center(2));
    QVERIFY(!List->HintWindow->isVisible());
    QCOMPARE(List->LastHintIndex, 2);
    MoveTo(Center(1));
    QVERIFY(List->HintWindow->isVisible());
    MoveTo(BelowLastItem());
    QVERIFY(!List->HintWindow->isVisible());
    QCOMPARE(List->LastHintIndex, -1);
  }

  void onlyWhenFocusedIgnoresMovesWhileAnotherControlHasFocus() {
    List->OnlyWhenFocused = true;
    Edit->setFocus();
    QCOMPARE(QApplication::focusWidget(), Edit);
    MoveTo(Center(1));
    QVERIFY(!List->HintWindow->isVisible());
    QCOMPARE(List->LastHintIndex, -1);

    List->setFocus();
    MoveTo(Center(1));
    QVERIFY(List->HintWindow->isVisible());

    // An existing hint is left alone, even over another item or none.
    Edit->setFocus();
    MoveTo(BelowLastItem());
    QVERIFY(List->HintWindow->isVisible());
    QCOMPARE(List->LastHintIndex, 1);
  }

  void disabledHintsHideOnEveryMove() {
    MoveTo(Center(1));
    QVERIFY(List->HintWindow->isVisible());
    List->EnableHint = false;
    MoveTo(Center(1));
    QVERIFY(!List->HintWindow->isVisible());
    List->HintWindow->show();
    MoveTo(Center(0));
    QVERIFY(!List->HintWindow->isVisible());
    List->HintWindow->show();
    MoveTo(BelowLastItem());
    QVERIFY(!List->HintWindow->isVisible());
  }

  void hideHintKeepsTheItem() {
    MoveTo(Center(1));
    List->HideHint();
    QVERIFY(!List->HintWindow->isVisible());
    QCOMPARE(List->LastHintIndex, 1);
    MoveTo(Center(1));
    QVERIFY(!List->HintWindow->isVisible());
    MoveTo(Center(0));
    MoveTo(Center(1));
    QVERIFY(List->HintWindow->isVisible());
  }

  void formsOwnMouseMoveStillRuns() {
    QCOMPARE(List->HookedForm(), Form);
    // A second list in the same window neither doubles the window's handling nor misses
    // the move.
    auto* second = new TLongCheckListBox(Form);
    QCOMPARE(second->HookedForm(), Form);
    second->HintWindow->show();
    MoveTo(Center(1));
    QVERIFY(List->HintWindow->isVisible());
    QMouseEvent move(QEvent::MouseMove, QPointF(400, 250), Form->mapToGlobal(QPointF(400, 250)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Form, &move);
    QCOMPARE(Form->Moves, 1);
    QVERIFY(Form->HintVisibleInHandler);
    QVERIFY(!List->HintWindow->isVisible());
    QCOMPARE(List->LastHintIndex, -1);
    QVERIFY(!second->HintWindow->isVisible());

    // The window keeps being heard while any list is left in it.
    delete second;
    MoveTo(Center(1));
    QApplication::sendEvent(Form, &move);
    QCOMPARE(Form->Moves, 2);
    QVERIFY(!List->HintWindow->isVisible());
  }

  // Through the window system: tracking is on, and a move over the list does not reach the
  // window as a move over its surface.
  void realPointerMoves() {
    QWindow* window = Form->windowHandle();
    const QPoint overItem = List->viewport()->mapTo(Form, Center(1));
    QTest::mouseMove(window, overItem);
    QTest::mouseMove(window, overItem + QPoint(3, 0));
    QVERIFY(List->HintWindow->isVisible());
    QCOMPARE(Form->Moves, 0);
    QTest::mouseMove(window, QPoint(400, 250));
    QVERIFY(!List->HintWindow->isVisible());
    QCOMPARE(Form->Moves, 1);
  }

  // Where the hint swallows the pointer, it hands the moves on to the list beneath it.
  void movesOverTheHintReachTheList() {
    MoveTo(Center(1));
    QVERIFY(List->HintWindow->isVisible());
    const auto sendToHint = [this](const QPoint& viewportPos) {
      const QPointF global = List->viewport()->mapToGlobal(QPointF(viewportPos));
      QMouseEvent move(QEvent::MouseMove, List->HintWindow->mapFromGlobal(global), global,
                       Qt::NoButton, Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(List->HintWindow, &move);
    };
    sendToHint(Center(2));
    QCOMPARE(List->LastHintIndex, 2);
    sendToHint(Center(1));
    QVERIFY(List->HintWindow->isVisible());
    // Past the list's right edge the hint is over the window, not over an item.
    sendToHint(QPoint(List->viewport()->width() + 5, Center(1).y()));
    QVERIFY(!List->HintWindow->isVisible());
    QCOMPARE(List->LastHintIndex, -1);
  }

  void hooksTheWindowItIsPutInto() {
    auto* later = new TLongCheckListBox;
    QCOMPARE(later->HookedForm(), nullptr);
    auto* holder = new QWidget;
    later->setParent(holder);
    holder->setParent(Form);
    holder->show();
    QCOMPARE(later->HookedForm(), Form);
    QVERIFY(Form->hasMouseTracking());
  }

  void longTextWrapsIntoATallerHint_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("words") << QString("Some Words ").repeated(12);
    QTest::newRow("one long word") << QString("/abcdefghij").repeated(12);
  }
  void longTextWrapsIntoATallerHint() {
    QFETCH(QString, text);
    const QRect oneLine = List->HintWindow->CalcHintRect(THintWindow::MaxHintWidth, "x");
    const QRect wrapped = List->HintWindow->CalcHintRect(THintWindow::MaxHintWidth, text);
    QVERIFY(QFontMetrics(List->font()).horizontalAdvance(text) > THintWindow::MaxHintWidth);
    QVERIFY(wrapped.height() >= 2 * oneLine.height() - 2);
    QVERIFY(wrapped.width() <= THintWindow::MaxHintWidth + oneLine.width());

    SetItems({ShortText, text});
    MoveTo(Center(1));
    QVERIFY(List->HintWindow->isVisible());
    QCOMPARE(List->HintWindow->size(), wrapped.size());
  }

  // The hint must not outlive the pointer's stay on the list or show a scrolled-away item.
  void leavingDeactivatingOrScrollingForgetsTheHint() {
    MoveTo(Center(1));
    QVERIFY(List->HintWindow->isVisible());
    QEvent leave(QEvent::Leave);
    // The hint came up under the pointer: the list keeps it.
    QCursor::setPos(List->viewport()->mapToGlobal(Center(1)));
    QApplication::sendEvent(List, &leave);
    QVERIFY(List->HintWindow->isVisible());
    // The pointer is gone, from the list or from the hint.
    QCursor::setPos(Form->mapToGlobal(QPoint(400, 250)));
    QApplication::sendEvent(List->HintWindow, &leave);
    QVERIFY(!List->HintWindow->isVisible());
    QCOMPARE(List->LastHintIndex, -1);
    MoveTo(Center(1));
    QApplication::sendEvent(List, &leave);
    QVERIFY(!List->HintWindow->isVisible());
    MoveTo(Center(1));
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(List, &deactivate);
    QVERIFY(!List->HintWindow->isVisible());

    QStringList many;
    for (int i = 0; i < 60; ++i) many << LongText;
    SetItems(many);
    MoveTo(Center(1));
    QVERIFY(List->HintWindow->isVisible());
    List->verticalScrollBar()->setValue(5);
    QVERIFY(!List->HintWindow->isVisible());
    QCOMPARE(List->LastHintIndex, -1);

    MoveTo(Center(7));
    QVERIFY(List->HintWindow->isVisible());
    List->hide();
    QVERIFY(!List->HintWindow->isVisible());
  }

  void hintIsPaintedWithItsText() {
    MoveTo(Center(1));
    const QImage image = List->HintWindow->grab().toImage();
    QCOMPARE(image.size(), List->HintWindow->size() * image.devicePixelRatio());
    const QColor base = List->HintWindow->palette().color(QPalette::ToolTipBase);
    QCOMPARE(image.pixelColor(image.width() / 2, 0),
             List->HintWindow->palette().color(QPalette::ToolTipText));
    int inked = 0;
    for (int y = 2; y < image.height() - 2; ++y)
      for (int x = 4; x < image.width() - 4; ++x)
        if (image.pixelColor(x, y) != base) ++inked;
    QVERIFY(inked > 0);
  }
};

QTEST_MAIN(LongCheckListBoxTest)
#include "long_check_list_box_test.moc"
