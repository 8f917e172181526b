// The window on a real desktop, once per form: Tab reaches every control of each page in
// reading order and never types into an editor; every page's tab is in view at 1366x768 and
// the form scrolls in a smaller window; under a dark palette every text reads well.
#include "DarkPalette.h"
#include "FakePrompts.h"
#include "ModelLink.h"
#include "TestWindow.h"
#include "app/KeyboardAccess.h"
#include "app/ScreenFit.h"
#include "app/ThemeColours.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>
#include <memory>

namespace
{

struct Rig : ModelLink {
    FakePrompts prompts;
    std::unique_ptr<TestWindow> window;
    Rig()
    {
        model.selectSignal("4k60-420-hdr10");
        window = std::make_unique<TestWindow>(link, prompts);
    }
    QTabWidget *tabs() const { return window->findChild<QTabWidget *>("tabWidget"); }
    void showPage(int index)
    {
        window->show();
        tabs()->setCurrentIndex(index);
        QCoreApplication::processEvents();
    }
};

// Where Tab goes from `from`: the next widget of the chain that takes Tab focus and shows.
QWidget *nextTabStop(QWidget *from)
{
    for (QWidget *w = from->nextInFocusChain(); w != from; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled() &&
            w->focusProxy() == nullptr)
            return w;
    return from;
}

// The colours a widget's text is drawn in, against its background.
struct TextLook {
    QString what;
    QColor text, background;
};

QList<TextLook> looksOf(QWidget *w)
{
    const QPalette &p = w->palette();
    const QString name = w->objectName();
    if (auto *edit = qobject_cast<QTextEdit *>(w)) {
        QList<TextLook> out;
        for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                const QColor c = f.hasProperty(QTextFormat::ForegroundBrush)
                                     ? f.foreground().color()
                                     : p.color(QPalette::Text);
                out << TextLook{name + " text", c, p.color(QPalette::Base)};
            }
        return out;
    }
    if (qobject_cast<QPlainTextEdit *>(w))
        return {{name, p.color(QPalette::Text), p.color(QPalette::Base)}};
    if (qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w) != nullptr) {
        const bool push = w->inherits("QPushButton");
        return {{name, p.color(push ? QPalette::ButtonText : QPalette::WindowText),
                 p.color(push ? QPalette::Button : QPalette::Window)}};
    }
    if (qobject_cast<QComboBox *>(w))
        return {{name, p.color(QPalette::ButtonText), p.color(QPalette::Button)}};
    return {};
}

} // namespace

class DesktopWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void pages_data()
    {
        QTest::addColumn<int>("index");
        Rig rig;
        for (int i = 0; i < rig.tabs()->count(); ++i)
            QTest::newRow(qPrintable(rig.tabs()->widget(i)->objectName())) << i;
    }

    void tabWalksEachPageInReadingOrder_data() { pages_data(); }
    void tabWalksEachPageInReadingOrder()
    {
        QFETCH(int, index);
        Rig rig;
        rig.showPage(index);
        QWidget *page = rig.tabs()->widget(index);
        // Tab from the tab bar through the page, until it leaves the page.
        QList<QWidget *> walked;
        for (QWidget *w = nextTabStop(rig.tabs()->tabBar()); page->isAncestorOf(w) && !walked.contains(w);
             w = nextTabStop(w))
            walked << w;
        QList<QWidget *> expected;
        for (QWidget *w : keyboard::readingOrder(*page))
            if (w->isVisible() && w->isEnabled())
                expected << w;
        QCOMPARE(walked, expected);
        QVERIFY(!walked.isEmpty());
        // Reading order: no stop lies clearly above the one before it.
        for (int i = 1; i < walked.size(); ++i) {
            const auto middle = [&](QWidget *w) { return w->mapTo(page, w->rect().center()).y(); };
            QVERIFY2(middle(walked[i]) >= middle(walked[i - 1]) - 8,
                     qPrintable(walked[i]->objectName()));
        }
        // Tab in an editor moves on and types nothing.
        for (QWidget *w : walked) {
            auto *edit = qobject_cast<QTextEdit *>(w);
            if (edit == nullptr || edit->isReadOnly())
                continue;
            const QString before = edit->toPlainText();
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_Tab);
            QCOMPARE(edit->toPlainText(), before);
            QVERIFY2(rig.window->focusWidget() != edit, qPrintable(edit->objectName()));
        }
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
        const QSize form = rig.window->size();
        const QMargins frame(4, 32, 4, 4);
        const QSize opening = screenfit::openingSize(
            form, QRect(QPoint(), screen), frame,
            rig.window->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
        QVERIFY(opening.height() + frame.top() + frame.bottom() <= screen.height());
        rig.window->resize(opening);
        rig.showPage(0);
        QTabBar *bar = rig.tabs()->tabBar();
        for (QToolButton *arrow : bar->findChildren<QToolButton *>())
            QVERIFY(!arrow->isVisible());
        auto *area = qobject_cast<QScrollArea *>(rig.window->centralWidget());
        QVERIFY(area);
        const QRect inView = area->viewport()->rect();
        for (int i = 0; i < bar->count(); ++i) {
            const QRect tab(bar->mapTo(area->viewport(), bar->tabRect(i).topLeft()),
                            bar->tabRect(i).size());
            QVERIFY2(inView.contains(tab), qPrintable(bar->tabText(i)));
        }
        // A window shorter than the form scrolls to its bottom.
        const bool shorter = opening.height() < form.height();
        QCOMPARE(area->verticalScrollBar()->maximum() > 0, shorter);
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
        const QWidget *tabs = rig.tabs();
        QVERIFY(tabs->mapTo(area->viewport(), QPoint(0, tabs->height())).y() <= inView.bottom() + 1);
    }

    void darkPaletteReadable_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QColor>("link");
        QTest::addColumn<bool>("loaded"); // the EDID editor holds a loaded hex text file
        Rig rig;
        for (int i = 0; i < rig.tabs()->count(); ++i)
            QTest::newRow(qPrintable(rig.tabs()->widget(i)->objectName()))
                << i << QColor(100, 170, 255) << false;
        QTest::newRow("loaded table, light link") << 0 << QColor(100, 170, 255) << true;
        QTest::newRow("loaded table, dim link") << 0 << QColor(42, 100, 180) << true;
    }
    void darkPaletteReadable()
    {
        QFETCH(int, index);
        QFETCH(QColor, link);
        QFETCH(bool, loaded);
        const QPalette before = QApplication::palette();
        QStyle *style = QStyleFactory::create("fusion");
        QApplication::setStyle(style);
        QApplication::setPalette(darkPalette(link));
        QStringList faults;
        {
            Rig rig;
            QTemporaryDir dir;
            if (loaded) {
                QFile file(dir.filePath("table.txt"));
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(rig.window->findChild<QTextEdit *>("EDIDtext")->toPlainText().toLatin1());
                file.close();
                rig.prompts.fileNames << file.fileName();
                QVERIFY(QMetaObject::invokeMethod(rig.window.get(), "LoadEDIDfromFile"));
            }
            rig.showPage(index);
            QList<QWidget *> shown = rig.tabs()->widget(index)->findChildren<QWidget *>();
            shown << rig.window->centralWidget()->findChildren<QWidget *>();
            for (QWidget *w : shown) {
                // A disabled EDID editor (outside CUSTOM mode) still shows its table.
                const bool shows = w->isEnabled() || qobject_cast<QTextEdit *>(w) != nullptr;
                if (!w->isVisible() || !shows ||
                    rig.tabs()->isAncestorOf(w) != rig.tabs()->widget(index)->isAncestorOf(w))
                    continue;
                for (const TextLook &look : looksOf(w)) {
                    const double ratio = theme::contrastRatio(look.text, look.background);
                    if (ratio < theme::ReadableContrast)
                        faults << QStringLiteral("%1: %2 on %3, %4:1")
                                      .arg(look.what, look.text.name(), look.background.name())
                                      .arg(ratio, 0, 'f', 2);
                }
            }
        }
        QApplication::setPalette(before);
        faults.removeDuplicates();
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }
};

QTEST_MAIN(DesktopWindowTest)
#include "DesktopWindowTest.moc"
