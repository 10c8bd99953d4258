#include "common/ProjectVersion.h"
#include "shell/frmSplash.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

class tst_Splash : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pictureByCompany_data();
    void pictureByCompany();
    void versionLabel();
    void loadsTheCompanyPicture();
    void missingPictureLeavesThePlainWindow();
    void topmostWithHourglassWhileUp();
};

void tst_Splash::pictureByCompany_data()
{
    QTest::addColumn<int>("company");
    QTest::addColumn<QString>("file");
    QTest::newRow("company 0") << 0 << "Graph/Splash0Id0.bmp";
    QTest::newRow("company 1") << 1 << "Graph/Splash0Id1.bmp";
    QTest::newRow("company 2 shows the default") << 2 << "Graph/Splash0Id0.bmp";
    QTest::newRow("company 3") << 3 << "Graph/Splash0Id3.bmp";
    QTest::newRow("unknown company") << 7 << "Graph/Splash0Id0.bmp";
}

void tst_Splash::pictureByCompany()
{
    QFETCH(int, company);
    QFETCH(QString, file);
    QCOMPARE(splashPictureName(company), file);
}

void tst_Splash::versionLabel()
{
    frmSplash splash(0, QStringLiteral("/nowhere"));
    const QString expected = QStringLiteral("Version:    ") + shownProjectVersion();
    QCOMPARE(splash.lblVersion()->text(), expected);
    QCOMPARE(splash.lblVersion()->objectName(), QStringLiteral("lblVersion"));
    QCOMPARE(splashVersionText(), expected);
}

void tst_Splash::loadsTheCompanyPicture()
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + QStringLiteral("/Graph"));
    QImage picture(300, 180, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    QVERIFY(picture.save(dir.path() + QStringLiteral("/Graph/Splash0Id0.bmp")));
    QImage other(100, 100, QImage::Format_RGB32);
    other.fill(Qt::red);
    QVERIFY(other.save(dir.path() + QStringLiteral("/Graph/Splash0Id1.bmp")));

    frmSplash splash(0, dir.path());
    QCOMPARE(splash.pictureFile(), dir.path() + QStringLiteral("/Graph/Splash0Id0.bmp"));
    QCOMPARE(splash.size(), QSize(300, 180));
    QVERIFY(splash.rect().contains(splash.lblVersion()->geometry()));
    splash.show();
    QCOMPARE(splash.grab().toImage().pixelColor(5, 5), QColor(Qt::darkBlue));
}

void tst_Splash::missingPictureLeavesThePlainWindow()
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + QStringLiteral("/Graph"));
    QImage other(100, 100, QImage::Format_RGB32);
    other.fill(Qt::red);
    QVERIFY(other.save(dir.path() + QStringLiteral("/Graph/Splash0Id1.bmp")));
    // Missing from the folder, the picture is the one built into the program.
    frmSplash builtIn(0, dir.path());
    QCOMPARE(builtIn.pictureFile(), QStringLiteral(":/Resource/Graph/Splash0Id0.bmp"));
    // Found nowhere: the plain window.
    frmSplash splash(3, dir.path());
    QCOMPARE(splash.pictureFile(), QString());
    QVERIFY(!splash.size().isEmpty());
    QVERIFY(splash.rect().contains(splash.lblVersion()->geometry()));
}

void tst_Splash::topmostWithHourglassWhileUp()
{
    QVERIFY(!QGuiApplication::overrideCursor());
    {
        frmSplash splash(0, QString());
        QVERIFY(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(tst_Splash)
#include "tst_splash.moc"
