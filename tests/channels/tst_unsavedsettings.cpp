// The channel dialogs' OK when the settings folder cannot be written: the user is
// told which folder, the values apply for the rest of the run, and a new start
// finds the old ones.
#include "channels/QnpChannelSettings.h"
#include "channels/SerialChannelSettings.h"
#include "channels/SerialDialogTestUtil.h"
#include "channels/frmParamVnDcCOM.h"
#include "channels/frmParamVnDcHW4565.h"
#include "channels/frmParamVnDcQNP.h"
#include "channels/frmParamVnDcQNPCV3.h"
#include "common/ScriptedChannel.h"

#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

class tst_UnsavedSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void okTellsAndKeepsTheValuesForTheRun_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("title");
        for (const bool english : {false, true}) {
            const char* language = english ? "English" : "German";
            QTest::addRow("serial, %s", language) << "serial" << english << "Timeout" << "COM Port";
            QTest::addRow("network, %s", language) << "network" << english << "Timeout" << "QNP";
            QTest::addRow("network CV3, %s", language) << "network CV3" << english << "Timeout" << "QNP Connection";
            QTest::addRow("panel link, %s", language) << "panel link" << english << "AdrHwLink" << "HW4565";
        }
    }
    void okTellsAndKeepsTheValuesForTheRun()
    {
        QFETCH(QString, dialog);
        QFETCH(bool, english);
        QFETCH(QString, value);
        QFETCH(QString, title);
        TestEnv env;
        gCommon().setLanguageType(english ? 1 : 0);
        const bool panelLink = dialog == QLatin1String("panel link");
        const QString old = panelLink ? QStringLiteral("835584") : QStringLiteral("700");
        const QString typed = panelLink ? QStringLiteral("835600") : QStringLiteral("300");
        QVERIFY(app().gObjRegistry->WriteValue(HKEY_CURRENT_USER, kKey, value, old));
        if (!panelLink) {
            // The dialog writes every value it lacks while loading; they are there before the folder closes.
            SerialChannelSettings serial;
            LoadChannelSettings(*app().gObjRegistry, kKey, serial);
            QnpChannelSettings network;
            LoadChannelSettings(*app().gObjRegistry, kKey, network);
        }
        const QString hive = env.registryFolder() + QStringLiteral("/HKEY_CURRENT_USER.xml");
        QVERIFY(QFile::setPermissions(hive, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

        ScriptedChannel channel;
        RecordingSerialParam serialParam;
        RecordingQnpParam networkParam;
        channel.setParamObj(dialog == QLatin1String("serial") ? static_cast<IChannelParam*>(&serialParam) : &networkParam);
        QPointer<QDialog> form;
        if (dialog == QLatin1String("serial"))
            form = new frmParamVnDcCOM;
        else if (dialog == QLatin1String("network"))
            form = new frmParamVnDcQNP;
        else if (dialog == QLatin1String("network CV3"))
            form = new frmParamVnDcQNPCV3;
        else
            form = new frmParamVnDcHW4565;
        dynamic_cast<IRefreshData&>(*form.data()).RefreshData({}, &channel, QString());
        if (panelLink)
            child<QLineEdit>(form, QStringLiteral("txtAdrHwLink"))->setText(QStringLiteral("0xCC010"));
        else
            child<QSpinBox>(form, QStringLiteral("fpLITimeOut"))->setValue(300);
        QVERIFY(env.dialogs().messages.isEmpty());

        child<QPushButton>(form, QStringLiteral("cmdOK"))->click();
        const QString folder = QDir::toNativeSeparators(env.registryFolder());
        const QString told = english ? QStringLiteral("The settings could not be saved in the folder %1.\r\n\r\n"
                                                      "They apply until the program ends.|48|%2")
                                     : QStringLiteral("Die Einstellungen konnten nicht im Ordner %1 gespeichert werden."
                                                      "\r\n\r\nSie gelten bis zum Ende des Programms.|48|%2");
        QCOMPARE(env.dialogs().messages, QStringList{told.arg(folder, title)});
        QTRY_VERIFY(form.isNull());
        // In force for this run: the channel has it, and the start-up's reading finds it.
        QCOMPARE(stored(value), typed);
        QCOMPARE(stored(QStringLiteral("Device")), dialog == QLatin1String("serial") ? QStringLiteral("0")
                                                   : panelLink                       ? QStringLiteral("2")
                                                                                     : QStringLiteral("1"));
        if (!panelLink)
            QVERIFY((serialParam.calls + networkParam.calls).contains(QStringLiteral("Timeout 300")));

        env.restart();
        QCOMPARE(stored(value), old);
    }
};

QTEST_MAIN(tst_UnsavedSettings)
#include "tst_unsavedsettings.moc"
