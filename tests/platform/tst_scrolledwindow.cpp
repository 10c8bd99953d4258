#include "platform/ScrolledWindow.h"
#include "platform/Twips.h"

#include <QLabel>
#include <QScrollBar>
#include <QtTest>

namespace {
// A container of the given size (twips) with controls at design rectangles (twips).
struct Form {
    ScrolledWindow window;
    QList<QWidget*> controls;

    explicit Form(QSize sizeTwips, const QList<QRect>& designTwips = {})
    {
        for (const QRect& r : designTwips) {
            auto* c = new QLabel(&window);
            c->setGeometry(twipsToPx(r.x()), twipsToPx(r.y()), twipsToPx(r.width()), twipsToPx(r.height()));
            controls << c;
        }
        resize(sizeTwips);
    }
    void resize(QSize sizeTwips) { window.resize(twipsToPx(sizeTwips.width()), twipsToPx(sizeTwips.height())); }
    QPoint posTwips(int i) const { return controls[i]->pos() * TwipsPerPixel; }
    bool hbar() const { return !window.hbarWindow()->isHidden(); }
    bool vbar() const { return !window.vbarWindow()->isHidden(); }
    bool corner() const { return !window.picCorner()->isHidden(); }
};
}

class tst_ScrolledWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void barsFollowTheContent_data();
    void barsFollowTheContent();
    void horizontalBarGeometryAndRange();
    void bothBarsLeaveTheCorner();
    void scrollingShiftsAndGrowingResets();
    void hiddenControlsMoveWithTheOthers();
    void tooSmallForABarLeavesItUnchanged();
    void extentsBeyond16Bits();
    void emptyContainerHasNoBars();
};

void tst_ScrolledWindow::barsFollowTheContent_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("control");
    QTest::addColumn<bool>("hbar");
    QTest::addColumn<bool>("vbar");
    QTest::addColumn<bool>("corner");
    // Container 3000 x 1500 twips; bars are 255 twips thick.
    QTest::newRow("content fits") << QSize(3000, 1500) << QRect(150, 150, 2850, 1350) << false << false << false;
    QTest::newRow("wider only") << QSize(3000, 1500) << QRect(0, 0, 4500, 1200) << true << false << false;
    QTest::newRow("taller only") << QSize(3000, 1500) << QRect(0, 0, 2700, 3000) << false << true << false;
    QTest::newRow("wider, then too tall for the bar") << QSize(3000, 1500) << QRect(0, 0, 4500, 1350) << true << true << true;
    QTest::newRow("taller, then too wide for the bar") << QSize(3000, 1500) << QRect(0, 0, 2850, 3000) << true << true << true;
}

void tst_ScrolledWindow::barsFollowTheContent()
{
    QFETCH(QSize, size);
    QFETCH(QRect, control);
    QFETCH(bool, hbar);
    QFETCH(bool, vbar);
    QFETCH(bool, corner);
    Form form(size, {control});
    form.window.show();
    QCOMPARE(form.hbar(), hbar);
    QCOMPARE(form.vbar(), vbar);
    QCOMPARE(form.corner(), corner);
    QCOMPARE(form.posTwips(0), control.topLeft());
}

void tst_ScrolledWindow::horizontalBarGeometryAndRange()
{
    Form form(QSize(3000, 1500), {QRect(0, 0, 4500, 600)});
    form.window.show();
    QScrollBar* bar = form.window.hbarWindow();
    QCOMPARE(bar->geometry(), QRect(0, twipsToPx(1500 - 255), twipsToPx(3000), twipsToPx(255)));
    QCOMPARE(bar->maximum(), 4500 - 3000);
    QCOMPARE(bar->pageStep(), 3000);
    QCOMPARE(bar->value(), 0);
}

void tst_ScrolledWindow::bothBarsLeaveTheCorner()
{
    Form form(QSize(3000, 1500), {QRect(0, 0, 4500, 1350)});
    form.window.show();
    QScrollBar* h = form.window.hbarWindow();
    QScrollBar* v = form.window.vbarWindow();
    QCOMPARE(h->width(), twipsToPx(3000 - 255));
    QCOMPARE(h->maximum(), 4500 - (3000 - 255));
    QCOMPARE(v->geometry(), QRect(twipsToPx(3000 - 255), 0, twipsToPx(255), twipsToPx(1500 - 255)));
    QCOMPARE(v->maximum(), 1350 - (1500 - 255));
    QCOMPARE(v->pageStep(), 1500 - 255);
    QCOMPARE(form.window.picCorner()->geometry(),
             QRect(twipsToPx(3000 - 255), twipsToPx(1500 - 255), twipsToPx(255), twipsToPx(255)));
}

void tst_ScrolledWindow::scrollingShiftsAndGrowingResets()
{
    Form form(QSize(3000, 1500), {QRect(0, 150, 4500, 300), QRect(1500, 600, 900, 300)});
    form.window.show();
    form.window.hbarWindow()->setValue(600);
    QCOMPARE(form.posTwips(0), QPoint(-600, 150));
    QCOMPARE(form.posTwips(1), QPoint(900, 600));
    QCOMPARE(form.window.offsetX(), -600);

    // Extents are measured as if unscrolled: a host's re-arrange keeps the range.
    form.window.ArrangeConstituentControls();
    QCOMPARE(form.window.hbarWindow()->maximum(), 1500);
    QCOMPARE(form.window.hbarWindow()->value(), 600);

    form.resize(QSize(4800, 1500));
    QVERIFY(!form.hbar());
    QCOMPARE(form.window.hbarWindow()->value(), 0);
    QCOMPARE(form.posTwips(0), QPoint(0, 150));
    QCOMPARE(form.posTwips(1), QPoint(1500, 600));
    QCOMPARE(form.window.offsetX(), 0);
}

void tst_ScrolledWindow::hiddenControlsMoveWithTheOthers()
{
    Form form(QSize(3000, 1500), {QRect(0, 0, 1500, 3000), QRect(600, 2400, 900, 300)});
    form.window.show();
    form.window.vbarWindow()->setValue(900);
    form.controls[1]->hide();
    form.window.vbarWindow()->setValue(300);
    QCOMPARE(form.posTwips(0), QPoint(0, -300));
    QCOMPARE(form.posTwips(1), QPoint(600, 2100));

    // Hidden, it still counts in the extents.
    form.controls[0]->resize(twipsToPx(1500), twipsToPx(300));
    form.window.ArrangeConstituentControls();
    QVERIFY(form.vbar());
    QCOMPARE(form.window.vbarWindow()->maximum(), 2700 - 1500);

    form.window.vbarWindow()->setValue(0);
    form.controls[1]->show();
    QCOMPARE(form.posTwips(1), QPoint(600, 2400));
}

void tst_ScrolledWindow::tooSmallForABarLeavesItUnchanged()
{
    Form form(QSize(3000, 1500), {QRect(0, 0, 1500, 600)});
    form.window.show();
    QVERIFY(!form.hbar());
    // 150 twips wide, but the vertical bar alone takes 255: no room for the horizontal one.
    form.controls[0]->resize(twipsToPx(1500), twipsToPx(3000));
    form.resize(QSize(150, 1500));
    QVERIFY(form.vbar());
    QVERIFY(!form.hbar());
    QCOMPARE(form.window.hbarWindow()->maximum(), 0);
}

void tst_ScrolledWindow::extentsBeyond16Bits()
{
    Form form(QSize(3000, 1500), {QRect(0, 0, 75000, 600), QRect(60000, 150, 1500, 300)});
    form.window.show();
    QScrollBar* bar = form.window.hbarWindow();
    QCOMPARE(bar->maximum(), 75000 - 3000);
    bar->setValue(60000);
    QCOMPARE(form.posTwips(1), QPoint(0, 150));
    bar->setValue(bar->maximum());
    QCOMPARE(form.posTwips(0).x() + 75000, 3000);
}

void tst_ScrolledWindow::emptyContainerHasNoBars()
{
    Form form(QSize(150, 150));
    form.window.show();
    QVERIFY(!form.hbar());
    QVERIFY(!form.vbar());
    QVERIFY(!form.corner());
}

QTEST_MAIN(tst_ScrolledWindow)
#include "tst_scrolledwindow.moc"
