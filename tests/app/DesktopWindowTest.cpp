// The window on a real desktop, once per form: Tab walks each page in reading order and never
// types into an editor; every tab is in view at 1366x768 and the form scrolls in a smaller
// window; under a dark palette every text has a contrast of 4.5:1 or more.
#include "DarkPalette.h"
#include "FakePrompts.h"
#include "ModelLink.h"
#include "TestWindow.h"
#include "app/KeyboardAccess.h"
#include "app/ScreenFit.h"
#include "app/ThemeColours.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryFile>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

namespace
{

struct Rig : ModelLink {
    FakePrompts prompts;
    TestWindow window{link, prompts};
    QTabWidget *tabs = window.findChild<QTabWidget *>("tabWidget");
    void showPage(int index)
    {
        window.show();
        tabs->setCurrentIndex(index);
        QCoreApplication::processEvents();
    }
};

// The colours of the texts a widget draws: text, then background.
QList<std::pair<QColor, QColor>> looksOf(QWidget *w)
{
    const QPalette &p = w->palette();
    QList<std::pair<QColor, QColor>> out;
    if (auto *edit = qobject_cast<QTextEdit *>(w)) {
        for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                out.append({f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color()
                                                                        : p.color(QPalette::Text),
                            p.color(QPalette::Base)});
            }
    } else if (w->isEnabled() && (qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w))) {
        const bool push = w->inherits("QPushButton");
        out.append({p.color(push ? QPalette::ButtonText : QPalette::WindowText),
                    p.color(push ? QPalette::Button : QPalette::Window)});
    }
    return out;
}

} // namespace

class DesktopWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void tabWalksEachPage_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < Rig().tabs->count(); ++i)
            QTest::newRow(qPrintable(QString::number(i))) << i;
    }
    void tabWalksEachPage()
    {
        QFETCH(int, index);
        Rig rig;
        rig.showPage(index);
        QWidget *page = rig.tabs->widget(index);
        QList<QWidget *> expected, walked;
        for (QWidget *w : keyboard::readingOrder(*page))
            if (w->isVisible() && w->isEnabled())
                expected << w;
        // Tab from the tab bar until it leaves the page; each editor is left with Tab.
        QWidget *at = rig.tabs->tabBar();
        at->setFocus();
        for (int i = 0; i <= expected.size(); ++i) {
            const QString before = qobject_cast<QTextEdit *>(at) ? qobject_cast<QTextEdit *>(at)->toPlainText() : QString();
            QTest::keyClick(at, Qt::Key_Tab);
            if (auto *edit = qobject_cast<QTextEdit *>(at))
                QCOMPARE(edit->toPlainText(), before);
            QWidget *next = rig.window.focusWidget();
            if (next == at || !page->isAncestorOf(next))
                break;
            walked << (at = next);
        }
        // Tab stops once in a group of radio buttons (arrows move within it).
        QList<QWidget *> inOrder;
        for (QWidget *w : expected) {
            const auto *b = qobject_cast<QAbstractButton *>(w);
            const auto sameGroup = [b](QWidget *o) {
                const auto *ob = qobject_cast<QAbstractButton *>(o);
                return ob && (b->group() ? ob->group() == b->group()
                                         : b->autoExclusive() && ob->parent() == b->parent());
            };
            if (walked.contains(w))
                inOrder << w;
            else
                QVERIFY2(b && std::any_of(walked.begin(), walked.end(), sameGroup),
                         qPrintable(w->objectName()));
        }
        QVERIFY(!walked.isEmpty());
        QCOMPARE(walked, inOrder);
    }

    void everyTabInView_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1366x768") << QSize(1366, 768);
        QTest::newRow("800x480") << QSize(800, 480);
    }
    void everyTabInView()
    {
        QFETCH(QSize, screen);
        Rig rig;
        const QSize form = rig.window.size();
        const QMargins frame(4, 32, 4, 4);
        rig.window.resize(screenfit::openingSize(
            form, QRect(QPoint(), screen), frame,
            rig.window.style()->pixelMetric(QStyle::PM_ScrollBarExtent)));
        QVERIFY(rig.window.height() + frame.top() + frame.bottom() <= screen.height());
        rig.showPage(0);
        auto *area = qobject_cast<QScrollArea *>(rig.window.centralWidget());
        QVERIFY(area);
        QTabBar *bar = rig.tabs->tabBar();
        for (int i = 0; i < bar->count(); ++i)
            QVERIFY2(area->viewport()->rect().contains(QRect(
                         bar->mapTo(area->viewport(), bar->tabRect(i).topLeft()), bar->tabRect(i).size())),
                     qPrintable(bar->tabText(i)));
        // Shorter than the form: it scrolls down to the pages' bottom.
        QScrollBar *down = area->verticalScrollBar();
        QCOMPARE(down->maximum() > 0, rig.window.height() < form.height());
        down->setValue(down->maximum());
        QVERIFY(rig.tabs->mapTo(area->viewport(), QPoint(0, rig.tabs->height())).y() <=
                area->viewport()->height());
    }

    void darkPaletteReadable_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QColor>("link");
        QTest::addColumn<bool>("loaded"); // the EDID editor holds a loaded hex text file
        for (int i = 0; i < Rig().tabs->count(); ++i)
            QTest::newRow(qPrintable(QString::number(i))) << i << QColor(100, 170, 255) << false;
        QTest::newRow("loaded table, light link") << 0 << QColor(100, 170, 255) << true;
        QTest::newRow("loaded table, dim link") << 0 << QColor(42, 100, 180) << true;
    }
    void darkPaletteReadable()
    {
        QFETCH(int, index);
        QFETCH(QColor, link);
        QFETCH(bool, loaded);
        const QPalette before = QApplication::palette();
        QApplication::setStyle(QStyleFactory::create("fusion"));
        QApplication::setPalette(darkPalette(link));
        QStringList faults;
        {
            Rig rig;
            QTemporaryFile file;
            if (loaded) {
                QVERIFY(file.open());
                file.write(rig.window.findChild<QTextEdit *>("EDIDtext")->toPlainText().toLatin1());
                file.close();
                rig.prompts.fileNames << file.fileName();
                QVERIFY(QMetaObject::invokeMethod(&rig.window, "LoadEDIDfromFile"));
            }
            rig.showPage(index);
            for (QWidget *w : rig.window.centralWidget()->findChildren<QWidget *>())
                for (const auto &[text, background] : looksOf(w))
                    if (w->isVisible() && theme::contrastRatio(text, background) < theme::ReadableContrast)
                        faults << w->objectName() + ": " + text.name() + " on " + background.name();
        }
        QApplication::setPalette(before);
        faults.removeDuplicates();
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }
};

QTEST_MAIN(DesktopWindowTest)
#include "DesktopWindowTest.moc"
