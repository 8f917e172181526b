// The window's real file dialogs: a saved file gets its suffix when the name has none, and the
// EDID load offers the files it reads.
#include "ModelLink.h"
#include "TestWindow.h"
#include "app/QtPrompts.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class FileDialogTest : public QObject
{
    Q_OBJECT

private slots:
    // A closed window ends the event loop (its quit stays pending): an exec of the application
    // clears that before the next dialog.
    void init()
    {
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
    }

    void dialogs_data()
    {
        QTest::addColumn<QString>("command"); // a slot, or an action's name
        QTest::addColumn<QString>("typed");   // empty: the dialog is cancelled
        QTest::addColumn<QString>("written"); // the file that exists afterwards
        QTest::addColumn<QString>("filter");  // a filter the dialog offers
        QTest::newRow("Save to File, no suffix") << "SaveEDIDtoFile" << "tv" << "tv.bin"
                                                 << "Binary file (*.bin)";
        QTest::newRow("Save to File, own suffix") << "SaveEDIDtoFile" << "tv.raw" << "tv.raw"
                                                  << "Binary file (*.bin)";
        QTest::newRow("Save configuration, no suffix")
            << "actionSaveConfiguration" << "unit" << "unit.json" << "Configuration files (*.json)";
        QTest::newRow("Load from File, EDID files")
            << "LoadEDIDfromFile" << "" << "" << "EDID files (*.bin *.hex *.txt)";
        QTest::newRow("Load from File, all files")
            << "LoadEDIDfromFile" << "" << "" << "All files (*)";
    }
    void dialogs()
    {
        QFETCH(QString, command);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QString, filter);
        ModelLink device;
        QtPrompts prompts;
        TestWindow window(device.link, prompts);
        QTemporaryDir dir;
        QStringList filters;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            filters = dialog->nameFilters();
            if (typed.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->setDirectory(dir.path());
            dialog->selectFile(typed);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        timer.start(1);
        if (auto *action = window.findChild<QAction *>(command))
            action->trigger();
        else
            QVERIFY(QMetaObject::invokeMethod(&window, command.toLatin1().constData()));
        QVERIFY2(filters.contains(filter), qPrintable(filters.join('|')));
        if (!written.isEmpty())
            QVERIFY2(QFileInfo::exists(dir.filePath(written)),
                     qPrintable(QDir(dir.path()).entryList(QDir::Files).join('|')));
    }
};

QTEST_MAIN(FileDialogTest)
#include "FileDialogTest.moc"
