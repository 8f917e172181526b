#include "FakeClock.h"
#include "FakePrompts.h"
#include "sim/ModelUsbApi.h"
#include "RecordingAlerts.h"
#include "app/MainWindow.h"
#include "TestWindow.h"
#include "device/DeviceLink.h"

#include <QStatusBar>
#include <QTemporaryFile>
#include <QtTest>
#include <cstdio>
#include <unistd.h>

// What the user learns when device "2023" is there but cannot be opened.
class OpenFailureTest : public QObject
{
    Q_OBJECT

private slots:
    void reasonAndStatusLine_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<int>("openStatus");
        QTest::addColumn<int>("reason");
        QTest::addColumn<QString>("lineHas"); // empty: no line
        QTest::newRow("not connected") << false << 0 << int(OpenFailure::NotConnected) << "";
        QTest::newRow("unplugged before open")
            << true << int(usbstatus::NoDevice) << int(OpenFailure::NotConnected) << "";
        QTest::newRow("no permission")
            << true << int(usbstatus::AccessDenied) << int(OpenFailure::NoPermission)
            << "may not open it: install the udev rule";
        QTest::newRow("in use") << true << int(usbstatus::Busy) << int(OpenFailure::InUse)
                                << "another program is using it";
        QTest::newRow("other") << true << int(usbstatus::IoError) << int(OpenFailure::Other)
                               << "could not be opened";
    }
    void reasonAndStatusLine()
    {
        QFETCH(bool, present);
        QFETCH(int, openStatus);
        QFETCH(int, reason);
        QFETCH(QString, lineHas);
        FakeClock clock;
        ModelUsbApi usb(clock);
        if (present)
            usb.devices.append(FakeDevice{"2023", false, openStatus, 0});
        RecordingAlerts alerts;
        FakePrompts prompts;
        DeviceLink link(usb, clock, alerts);

        // Standard error goes to a file while the window starts.
        QTemporaryFile errors;
        QVERIFY(errors.open());
        std::fflush(stderr);
        const int saved = ::dup(STDERR_FILENO);
        ::dup2(errors.handle(), STDERR_FILENO);
        QString shown;
        {
            TestWindow window(link, prompts);
            shown = window.statusBar()->currentMessage();
        }
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        errors.seek(0);
        const QString printed = QString::fromLocal8Bit(errors.readAll());

        QCOMPARE(int(link.openFailure()), reason);
        if (lineHas.isEmpty()) {
            QCOMPARE(shown, QString());
            QVERIFY2(!printed.contains("KORVALIS USB device found"), qPrintable(printed));
            return;
        }
        QVERIFY2(shown.contains(lineHas), qPrintable(shown));
        QVERIFY2(printed.contains(shown + '\n'), qPrintable(printed));
        // The boxes keep their texts.
        QCOMPARE(alerts.shown, QStringList{"Usb device open error!"});
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].text, QStringLiteral("Hardware not found"));
    }
};

QTEST_MAIN(OpenFailureTest)
#include "OpenFailureTest.moc"
