// The window as the form builds it, before any device access: widget set, initial states,
// limits, groups, texts, fonts, connections, and a geometry check of every page with a picture
// of each page written to the build directory.

#include "FakeClock.h"
#include "FakePrompts.h"
#include "sim/ModelUsbApi.h"
#include "RecordingAlerts.h"
#include "TestWindow.h"
#include "app/MainWindow.h"
#include "device/DeviceLink.h"
#include "sim/DeviceModel.h"
#include "sim/ModelUsbApi.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QXmlStreamReader>
#include <QTextDocumentFragment>
#include <QtTest>
#include <climits>
#include <memory>

namespace
{

constexpr bool Compact = KORVALIS_FORM_COMPACT != 0;
const char *const FormName = Compact ? "compact" : "main";

QStringList connectWarnings;
QtMessageHandler previousHandler = nullptr;

void captureMessages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.contains(QLatin1String("QObject::connect")))
        connectWarnings << text;
    if (previousHandler)
        previousHandler(type, context, text);
}

// Object names declared in a form file: widgets, layouts, actions and button groups.
QSet<QString> namesInForm(const QString &path)
{
    QSet<QString> names;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return names;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView tag = xml.name();
        if (tag == QLatin1String("widget") || tag == QLatin1String("layout") ||
            tag == QLatin1String("action") || tag == QLatin1String("buttongroup"))
            names.insert(xml.attributes().value(QLatin1String("name")).toString());
    }
    return xml.hasError() ? QSet<QString>() : names;
}

bool isLeaf(const QWidget *w)
{
    return qobject_cast<const QLabel *>(w) || qobject_cast<const QAbstractButton *>(w) ||
           qobject_cast<const QComboBox *>(w) || qobject_cast<const QLineEdit *>(w) ||
           qobject_cast<const QTextEdit *>(w) || qobject_cast<const QPlainTextEdit *>(w);
}

// Visible controls under `root`, not counting the inner parts of a control (a text edit's
// viewport, ...) and nothing under `skip`.
QList<QWidget *> leavesUnder(QWidget *root, const QWidget *skip)
{
    QList<QWidget *> leaves;
    const auto all = root->findChildren<QWidget *>();
    for (QWidget *w : all) {
        if (!isLeaf(w) || !w->isVisibleTo(root))
            continue;
        bool inner = false;
        for (QWidget *p = w->parentWidget(); p && p != root; p = p->parentWidget())
            inner = inner || isLeaf(p) || p == skip;
        if (!inner)
            leaves << w;
    }
    return leaves;
}

QRect rectIn(const QWidget *w, const QWidget *root)
{
    return QRect(w->mapTo(root, QPoint(0, 0)), w->size());
}

// Geometry faults of one area: controls outside the area or their holder, controls that
// overlap, texts cut off.
QStringList geometryFaults(QWidget *root, const QWidget *skip, const QRect &forbidden)
{
    QStringList faults;
    const QList<QWidget *> leaves = leavesUnder(root, skip);
    if (leaves.isEmpty())
        faults << QStringLiteral("no controls under %1").arg(root->objectName());
    for (int i = 0; i < leaves.size(); ++i) {
        QWidget *w = leaves[i];
        const QRect r = rectIn(w, root);
        if (!root->rect().contains(r))
            faults << QStringLiteral("%1 leaves its area").arg(w->objectName());
        if (!w->parentWidget()->rect().contains(w->geometry()))
            faults << QStringLiteral("%1 leaves its holder").arg(w->objectName());
        if (r.intersects(forbidden))
            faults << QStringLiteral("%1 reaches into the tabs").arg(w->objectName());
        for (int j = i + 1; j < leaves.size(); ++j) {
            if (r.intersects(rectIn(leaves[j], root)))
                faults << QStringLiteral("%1 overlaps %2")
                              .arg(w->objectName(), leaves[j]->objectName());
        }
        const auto *label = qobject_cast<QLabel *>(w);
        const bool sized = qobject_cast<QAbstractButton *>(w) || (label && !label->wordWrap());
        const QSize hint = w->sizeHint();
        if (sized && (w->width() < hint.width() || w->height() < hint.height()))
            faults << QStringLiteral("%1 is %2x%3, its text needs %4x%5")
                          .arg(w->objectName())
                          .arg(w->width())
                          .arg(w->height())
                          .arg(hint.width())
                          .arg(hint.height());
    }
    return faults;
}

// Where a page's controls lie: the page, or the content of the scroll area it holds.
QWidget *pageArea(QWidget *page)
{
    const auto *scroll = page->findChild<QScrollArea *>(QString(), Qt::FindDirectChildrenOnly);
    return scroll != nullptr ? scroll->widget() : page;
}

} // namespace

class FormTest : public QObject
{
    Q_OBJECT

    FakeClock clock_;
    ModelUsbApi usb_{clock_};
    RecordingAlerts alerts_;
    DeviceLink link_{usb_, clock_, alerts_};
    FakePrompts prompts_;
    std::unique_ptr<TestWindow> window_;

    template <class T> T *find(const QString &name) const { return window_->findChild<T *>(name); }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void connectionsResolve();
    void windowAndMenus();
    void pagesInOrderOnFirstPage();
    void initialCheckStates_data();
    void initialCheckStates();
    void widgetSetOfBothForms();
    void widgetsOfThisForm();
    void entryLimits_data();
    void entryLimits();
    void buttonGroups_data();
    void buttonGroups();
    void audioCheckBoxesAreIndependent();
    void layouts();
    void edidButtonsInTwoRowsOfThree();
    void buttonHeights();
    void byteEditors_data();
    void byteEditors();
    void cecExamplesLabel();
    void pageGeometry_data();
    void pageGeometry();
    void headerGeometry();
    void edidEditorShowsAWholeTable();
    void connectedWindowFits_data();
    void connectedWindowFits();
};

void FormTest::initTestCase()
{
    previousHandler = qInstallMessageHandler(captureMessages);
    window_ = std::make_unique<TestWindow>(link_, prompts_);
    QVERIFY(!link_.isOpen());
    QVERIFY(!window_->initialised());
}

void FormTest::cleanupTestCase()
{
    window_.reset();
    qInstallMessageHandler(previousHandler);
}

void FormTest::connectionsResolve()
{
    QVERIFY2(connectWarnings.isEmpty(), qPrintable(connectWarnings.join('\n')));
}

void FormTest::windowAndMenus()
{
    QCOMPARE(window_->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window_->windowTitle(), QStringLiteral("KORVALIS UTILITY"));
    // As wide as every tab title needs, at least the form's width.
    const QSize form = Compact ? QSize(475, 869) : QSize(377, 781);
    QCOMPARE(window_->height(), form.height());
    QVERIFY(window_->width() >= form.width());
    QCOMPARE(window_->maximumSize(), QSize(1000, 1000));
    QCOMPARE(window_->sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    QCOMPARE(window_->sizePolicy().verticalPolicy(), QSizePolicy::Preferred);
    QVERIFY(!window_->windowIcon().isNull());
    QCOMPARE(window_->statusBar(), find<QStatusBar>("statusbar"));

    auto *menuBar = find<QMenuBar>("menubar");
    auto *menuFile = find<QMenu>("menuFile");
    auto *menuHelp = find<QMenu>("menuHelp");
    QVERIFY(menuBar && menuFile && menuHelp);
    QCOMPARE(window_->menuBar(), menuBar);
    const QList<QAction *> top = menuBar->actions();
    // The View menu (Log, Displays...) is added by the window's code between the two.
    QCOMPARE(top.size(), 3);
    QCOMPARE(top[0], menuFile->menuAction());
    QCOMPARE(top[1], find<QMenu>("menuView")->menuAction());
    QCOMPARE(top[2], menuHelp->menuAction());
    QCOMPARE(menuFile->title(), QStringLiteral("&File"));
    QCOMPARE(menuHelp->title(), QStringLiteral("&Help"));
    const QList<QAction *> file = menuFile->actions();
    QCOMPARE(file.size(), 4);
    QCOMPARE(file[0], find<QAction>("actionSaveConfiguration"));
    QCOMPARE(file[1], find<QAction>("actionLoadConfiguration"));
    QVERIFY(file[2]->isSeparator());
    QCOMPARE(file[3], find<QAction>("actionExit"));
    QCOMPARE(menuHelp->actions(), QList<QAction *>{find<QAction>("actionAbout")});
    QCOMPARE(find<QAction>("actionExit")->text(), QStringLiteral("E&xit"));
    QCOMPARE(find<QAction>("actionAbout")->text(), QStringLiteral("&About"));
}

void FormTest::pagesInOrderOnFirstPage()
{
    auto *tabs = find<QTabWidget>("tabWidget");
    QVERIFY(tabs);
    QCOMPARE(tabs->currentIndex(), 0);
    const QStringList names{"tab", "tab_6", "tab_3", "tab_2", "tab_4", "tab_5"};
    const QStringList titles{
        Compact ? "EDID" : "EDID MANAGER", "EDID DETAILS", "CEC", "HDR/IF", "CONFIG", "SPLIT"};
    QCOMPARE(tabs->count(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(tabs->widget(i)->objectName(), names[i]);
        QCOMPARE(tabs->tabText(i), titles[i]);
    }
}

void FormTest::initialCheckStates_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("checked");
    const QSet<QString> checked{"automixEDID", "autoSwEn", "bPrioNorm", "audioHdmi", "hdcp14",
                                "bFullHdr",    "cbYUV",    "cbHdr",     "cbCec"};
    // Every radio button and check box of the window: the nine above checked, all others not.
    const auto buttons = window_->findChildren<QAbstractButton *>();
    int rows = 0;
    for (QAbstractButton *b : buttons) {
        if (!qobject_cast<QRadioButton *>(b) && !qobject_cast<QCheckBox *>(b))
            continue;
        QTest::newRow(qPrintable(b->objectName()))
            << b->objectName() << checked.contains(b->objectName());
        ++rows;
    }
    QCOMPARE(rows, 29 + 13);
}

void FormTest::initialCheckStates()
{
    QFETCH(QString, name);
    QFETCH(bool, checked);
    auto *button = find<QAbstractButton>(name);
    QVERIFY(button);
    QVERIFY(button->isCheckable());
    QCOMPARE(button->isChecked(), checked);
    QVERIFY(button->isEnabled());
}

void FormTest::widgetSetOfBothForms()
{
    const QSet<QString> main = namesInForm(KORVALIS_FORMS_DIR "/main/KorvalisForm.ui");
    const QSet<QString> compact = namesInForm(KORVALIS_FORMS_DIR "/compact/KorvalisForm.ui");
    QVERIFY(main.size() > 150);
    const QSet<QString> onlyMain{"label",
                                 "label_13",
                                 "label_48",
                                 "gridLayout",
                                 "horizontalLayout_3",
                                 "horizontalLayout_2",
                                 "gridLayoutWidget",
                                 "horizontalLayoutWidget_3",
                                 "horizontalLayoutWidget_2"};
    QCOMPARE(QSet<QString>(main).subtract(compact), onlyMain);
    QCOMPARE(QSet<QString>(compact).subtract(main), QSet<QString>());
}

void FormTest::widgetsOfThisForm()
{
    // The window holds every object its form file names, with these classes.
    const QSet<QString> names =
        namesInForm(QStringLiteral(KORVALIS_FORMS_DIR "/%1/KorvalisForm.ui").arg(FormName));
    QVERIFY(!names.isEmpty());
    for (const QString &name : names) {
        if (name != QLatin1String("MainWindow"))
            QVERIFY2(window_->findChild<QObject *>(name), qPrintable(name));
    }
    for (const char *name : {"label", "label_13", "label_48"})
        QCOMPARE(find<QLabel>(name) == nullptr, Compact);
    QVERIFY(find<QTextEdit>("EDIDtext"));
    QVERIFY(find<QTextEdit>("CECtext"));
    QVERIFY(find<QTextEdit>("IFtext"));
    QVERIFY(find<QTextEdit>("AVItext"));
    QVERIFY(find<QTextEdit>("txtHdrIf"));
    QVERIFY(find<QLineEdit>("leReset"));
    QVERIFY(find<QFrame>("frame_2"));
    for (const char *name : {"line", "line_2", "line_3", "line_5"}) {
        auto *line = find<QFrame>(name);
        QVERIFY2(line, name);
        QCOMPARE(line->frameShape(), QFrame::HLine);
    }
    QCOMPARE(find<QFrame>("frame_2")->frameShape(), QFrame::Box);
    QCOMPARE(find<QFrame>("frame_2")->frameShadow(), QFrame::Raised);
    for (const char *name : {"lblOutput", "lblCsc", "lblHdrInput"})
        QCOMPARE(find<QLabel>(name)->parentWidget(), find<QWidget>("frame_2"));
}

void FormTest::entryLimits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maxCount");
    QTest::addColumn<int>("maxVisible"); // 0: not checked
    QTest::newRow("cmBEdid") << "cmBEdid" << 25 << 25;
    QTest::newRow("cmbLa") << "cmbLa" << 15 << 0;
    QTest::newRow("cmbInputSel") << "cmbInputSel" << INT_MAX << 0;
    QTest::newRow("cmbEdidAlgo") << "cmbEdidAlgo" << INT_MAX << 0;
}

void FormTest::entryLimits()
{
    QFETCH(QString, name);
    QFETCH(int, maxCount);
    QFETCH(int, maxVisible);
    auto *combo = find<QComboBox>(name);
    QVERIFY(combo);
    QCOMPARE(combo->count(), 0); // nothing from the device: the combo boxes stay empty
    QCOMPARE(combo->maxCount(), maxCount);
    if (maxVisible != 0)
        QCOMPARE(combo->maxVisibleItems(), maxVisible);
    QCOMPARE(find<QLineEdit>("leReset")->maxLength(), 50);
    QVERIFY(find<QLineEdit>("leReset")->hasFrame());
}

void FormTest::buttonGroups_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("members");
    QTest::newRow("2") << "buttonGroup_2" << QStringList{"autoSwEn", "autoSwDis"};
    QTest::newRow("3") << "buttonGroup_3" << QStringList{"audioHdmi", "audioJack"};
    QTest::newRow("4") << "buttonGroup_4" << QStringList{"hdcp22", "hdcp14"};
    QTest::newRow("5") << "buttonGroup_5" << QStringList{"bPrioNorm", "pPrioForce"};
    QTest::newRow("6") << "buttonGroup_6" << QStringList{"automixEDID", "fixedEDID", "customEDID"};
    QTest::newRow("7") << "buttonGroup_7" << QStringList{"bFullHdr", "bSamHdr"};
    QTest::newRow("8") << "buttonGroup_8" << QStringList{"enable420", "disable420"};
    QTest::newRow("9") << "buttonGroup_9" << QStringList{"enableBLed", "disableBLed"};
    QTest::newRow("10") << "buttonGroup_10" << QStringList{"enableLed", "disableLed"};
    QTest::newRow("11") << "buttonGroup_11" << QStringList{"rbReceiver", "rbSender"};
    QTest::newRow("12") << "buttonGroup_12" << QStringList{"disableAVR", "enableAVR"};
    QTest::newRow("13") << "buttonGroup_13" << QStringList{"bHdrRepurpDis", "bHdrRepurpEn"};
    QTest::newRow("14") << "buttonGroup_14" << QStringList{"rbLeftRight", "rbEvenOdd"};
    QTest::newRow("plain") << "buttonGroup" << QStringList{"disableHPDFORCE", "enableHPDFORCE"};
}

void FormTest::buttonGroups()
{
    QFETCH(QString, group);
    QFETCH(QStringList, members);
    auto *g = find<QButtonGroup>(group);
    QVERIFY(g);
    QVERIFY(g->exclusive());
    QStringList actual;
    const auto buttons = g->buttons();
    for (QAbstractButton *b : buttons) {
        actual << b->objectName();
        QVERIFY(qobject_cast<QRadioButton *>(b));
        QVERIFY(b->autoExclusive());
        QCOMPARE(b->group(), g);
    }
    QCOMPARE(actual, members);
    QCOMPARE(window_->findChildren<QButtonGroup *>().size(), 14);
}

void FormTest::audioCheckBoxesAreIndependent()
{
    QList<QCheckBox *> boxes{find<QCheckBox>("cb2cForce"), find<QCheckBox>("cb51"),
                             find<QCheckBox>("cbFull")};
    for (QCheckBox *box : boxes) {
        QVERIFY(box);
        QVERIFY(!box->autoExclusive());
        QVERIFY(!box->group());
    }
    {
        // No slot may run: this is about the boxes, not the device.
        QSignalBlocker b0(boxes[0]), b1(boxes[1]), b2(boxes[2]);
        for (QCheckBox *box : boxes)
            box->click();
        for (QCheckBox *box : boxes)
            QVERIFY(box->isChecked());
        for (QCheckBox *box : boxes)
            box->setChecked(false);
    }
}

void FormTest::layouts()
{
    auto *title = find<QHBoxLayout>("horizontalLayout");
    QVERIFY(title);
    QCOMPARE(title->contentsMargins(), QMargins());
    QCOMPARE(title->count(), 2);
    QCOMPARE(title->itemAt(0)->widget(), find<QWidget>("labelTitle_2"));
    QCOMPARE(title->itemAt(1)->widget(), find<QWidget>("labelTitle"));

    auto *grid = find<QGridLayout>("gridLayout");
    auto *cecRow = find<QHBoxLayout>("horizontalLayout_3");
    auto *resetRow = find<QHBoxLayout>("horizontalLayout_2");
    if (Compact) {
        QVERIFY(!grid && !cecRow && !resetRow);
        QCOMPARE(find<QWidget>("label_28")->parentWidget(), find<QWidget>("tab_3"));
        QCOMPARE(find<QWidget>("cmbLa")->parentWidget(), find<QWidget>("tab_3"));
        for (const char *name : {"label_17", "leReset", "pbReset"})
            QCOMPARE(find<QWidget>(name)->parentWidget(), find<QWidget>("tab_4"));
        return;
    }
    QVERIFY(grid && cecRow && resetRow);
    for (QLayout *l : {static_cast<QLayout *>(grid), static_cast<QLayout *>(cecRow),
                       static_cast<QLayout *>(resetRow)})
        QCOMPARE(l->contentsMargins(), QMargins());
    const char *cells[2][3] = {{"ButReadEDID", "pbReadTvEdidA", "pbReadTvEdidB"},
                               {"ButLoadEDID", "ButSaveEDID", "ButWriteEDID"}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            QCOMPARE(grid->itemAtPosition(r, c)->widget(), find<QWidget>(cells[r][c]));
    QCOMPARE(cecRow->itemAt(0)->widget(), find<QWidget>("label_28"));
    QCOMPARE(cecRow->itemAt(1)->widget(), find<QWidget>("cmbLa"));
    QCOMPARE(resetRow->itemAt(0)->widget(), find<QWidget>("label_17"));
    QCOMPARE(resetRow->itemAt(1)->widget(), find<QWidget>("leReset"));
    QCOMPARE(resetRow->itemAt(2)->widget(), find<QWidget>("pbReset"));
}

void FormTest::edidButtonsInTwoRowsOfThree()
{
    window_->show();
    find<QTabWidget>("tabWidget")->setCurrentIndex(0);
    QCoreApplication::processEvents();
    const char *rows[2][3] = {{"ButReadEDID", "pbReadTvEdidA", "pbReadTvEdidB"},
                              {"ButLoadEDID", "ButSaveEDID", "ButWriteEDID"}};
    QWidget *page = find<QWidget>("tab");
    auto at = [&](const char *name) { return rectIn(find<QWidget>(name), page); };
    for (int r = 0; r < 2; ++r) {
        for (int c = 1; c < 3; ++c) {
            QCOMPARE(at(rows[r][c]).top(), at(rows[r][0]).top());
            QVERIFY(at(rows[r][c]).left() > at(rows[r][c - 1]).right());
        }
        QVERIFY(at(rows[1][0]).top() > at(rows[0][0]).bottom());
    }
    // Below the editor, at the bottom of the page.
    QVERIFY(at(rows[0][0]).top() > at("EDIDtext").bottom());
}

void FormTest::buttonHeights()
{
    // The second form's push and radio buttons are 26 pixels high, the main form's less.
    auto *tabs = find<QTabWidget>("tabWidget");
    window_->show();
    for (int i = tabs->count() - 1; i >= 0; --i) { // lay out every page once
        tabs->setCurrentIndex(i);
        QCoreApplication::processEvents();
    }
    const auto buttons = window_->findChildren<QAbstractButton *>();
    int checked = 0;
    for (QAbstractButton *b : buttons) {
        if (!qobject_cast<QPushButton *>(b) && !qobject_cast<QRadioButton *>(b))
            continue;
        const QByteArray what = b->objectName().toLatin1() + ' ' + QByteArray::number(b->height());
        if (Compact)
            QVERIFY2(b->height() == 26, what.constData());
        else
            QVERIFY2(b->height() < 26, what.constData());
        ++checked;
    }
    QCOMPARE(checked, 29 + 13); // radio buttons and push buttons, "Edit in words..." added
}

void FormTest::byteEditors_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("lines"); // lines the editor is meant to show
    QTest::newRow("CECtext") << "CECtext" << 1;
    QTest::newRow("AVItext") << "AVItext" << 1;
    QTest::newRow("IFtext") << "IFtext" << 2;
    QTest::newRow("txtHdrIf") << "txtHdrIf" << 2;
}

void FormTest::byteEditors()
{
    QFETCH(QString, name);
    QFETCH(int, lines);
    auto *edit = find<QTextEdit>(name);
    QVERIFY(edit);
    QCOMPARE(edit->frameShape(), QFrame::Box);
    QCOMPARE(edit->frameShadow(), QFrame::Plain);
    QCOMPARE(edit->lineWidth(), 1);
    // High enough for its lines, but not for one more.
    const int line = QFontMetrics(edit->font()).lineSpacing();
    const int inner =
        edit->height() - 2 * edit->frameWidth() - 2 * int(edit->document()->documentMargin());
    QVERIFY2(inner >= lines * line, qPrintable(QString::number(inner)));
    QVERIFY2(inner < (lines + 1) * line + line / 2, qPrintable(QString::number(inner)));
    QVERIFY(edit->whatsThis().isEmpty());
}

void FormTest::cecExamplesLabel()
{
    auto *label = find<QLabel>("label_2");
    QVERIFY(label);
    QCOMPARE(label->alignment(), Qt::AlignLeading | Qt::AlignLeft | Qt::AlignTop);
    QVERIFY(!label->wordWrap());
    QCOMPARE(label->indent(), 0);
    // The window adds each example's words beneath it; the form's own lines stay.
    const QString text = QTextDocumentFragment::fromHtml(label->text()).toPlainText();
    QVERIFY2(text.startsWith(QLatin1String("Examples:\n")), qPrintable(text));
    QVERIFY(text.contains(QLatin1String("\n5b:44:40 - toggle power [playback device 3]\n")));
}

void FormTest::pageGeometry_data()
{
    QTest::addColumn<int>("index");
    const char *names[] = {"tab", "tab_6", "tab_3", "tab_2", "tab_4", "tab_5"};
    for (int i = 0; i < 6; ++i)
        QTest::newRow(names[i]) << i;
}

void FormTest::pageGeometry()
{
    QFETCH(int, index);
    auto *tabs = find<QTabWidget>("tabWidget");
    window_->show();
    tabs->setCurrentIndex(index);
    QCoreApplication::processEvents();
    QWidget *page = tabs->widget(index);
    QVERIFY(page->isVisible());

    const QString dir = QStringLiteral(KORVALIS_SHOT_DIR);
    QVERIFY(QDir().mkpath(dir));
    const QString file =
        QStringLiteral("%1/%2-%3-%4.png").arg(dir, FormName).arg(index).arg(page->objectName());
    const QPixmap shot = window_->grab();
    QCOMPARE(shot.size(), window_->size() * shot.devicePixelRatio());
    QVERIFY(shot.save(file));

    const QStringList faults = geometryFaults(pageArea(page), nullptr, QRect());
    tabs->setCurrentIndex(0);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
}

void FormTest::headerGeometry()
{
    window_->show();
    QCoreApplication::processEvents();
    auto *central = find<QWidget>("centralwidget");
    auto *tabs = find<QTabWidget>("tabWidget");
    // The form scrolls as a whole inside the window.
    QCOMPARE(qobject_cast<QScrollArea *>(window_->centralWidget())->widget(), central);
    QVERIFY(central->rect().contains(tabs->geometry()));
    const QStringList faults = geometryFaults(central, tabs, tabs->geometry());
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    // The header texts the status poll writes still fit beside each other.
    QVERIFY(rectIn(find<QWidget>("labelFw1"), central).left() >
            rectIn(find<QWidget>("labelTitle"), central).right());
}

void FormTest::edidEditorShowsAWholeTable()
{
    auto *edit = find<QTextEdit>("EDIDtext");
    QVERIFY(edit);
    window_->show();
    find<QTabWidget>("tabWidget")->setCurrentIndex(0);
    QString table;
    for (int line = 0; line < 16; ++line) {
        QStringList bytes;
        for (int i = 0; i < 16; ++i)
            bytes << QStringLiteral("%1")
                         .arg((line * 16 + i) & 0xFF, 2, 16, QLatin1Char('0'))
                         .toUpper();
        table += bytes.join(' ') + '\n';
    }
    edit->setPlainText(table);
    QCoreApplication::processEvents();
    const int hMax = edit->horizontalScrollBar()->maximum();
    const int vMax = edit->verticalScrollBar()->maximum();
    edit->clear();
    QCOMPARE(hMax, 0);
    QCOMPARE(vMax, 0);
}

void FormTest::connectedWindowFits_data()
{
    QTest::addColumn<QString>("signal");
    QTest::addColumn<bool>("pictures");
    QTest::addColumn<QByteArray>("storedHdr"); // empty: the model's own
    QTest::newRow("4k60-420-hdr10") << "4k60-420-hdr10" << true << QByteArray();
    QTest::newRow("4k60-444-600") << "4k60-444-600" << false << QByteArray();
    QTest::newRow("3d-sbs") << "3d-sbs" << false << QByteArray();
    QTest::newRow("4k30-hdmivic") << "4k30-hdmivic" << false << QByteArray();
    // Length field 40: the editor shows the most it ever shows, 31 bytes.
    QTest::newRow("longest stored HDR infoframe")
        << "1080p60" << false << (QByteArray::fromHex("870128dd") + QByteArray(40, '\xdd'));
}

void FormTest::connectedWindowFits()
{
    // With a device the header, the combo boxes and the editors hold their live texts.
    QFETCH(QString, signal);
    QFETCH(bool, pictures);
    QFETCH(QByteArray, storedHdr);
    FakeClock clock;
    DeviceModel model(clock);
    QVERIFY(model.selectSignal(signal));
    if (!storedHdr.isEmpty())
        model.setStoredHdrInfoframe(storedHdr);
    model.setFirmwareVersion(1, 11, 0, 5);
    ModelUsbApi usb(model, clock);
    RecordingAlerts alerts;
    DeviceLink link(usb, clock, alerts);
    FakePrompts prompts;
    TestWindow w(link, prompts);
    QVERIFY(w.initialised());
    if (!storedHdr.isEmpty())
        QCOMPARE(w.findChild<QTextEdit *>("IFtext")->toPlainText().size(), 31 * 3 - 1);
    QVERIFY(alerts.shown.isEmpty());
    w.show();
    QCoreApplication::processEvents();

    auto *central = w.findChild<QWidget *>("centralwidget");
    auto *tabs = w.findChild<QTabWidget *>("tabWidget");
    QCOMPARE(w.findChild<QLabel *>("labelFw1")->text(), QStringLiteral("ver: 1.11.0.5"));
    // Rewritten by the status poll (the form says "HDR Input:").
    QVERIFY(w.findChild<QLabel *>("lblHdrInput")->text().startsWith(QLatin1String("HDR input: ")));
    QStringList faults = geometryFaults(central, tabs, tabs->geometry());
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QCoreApplication::processEvents();
        // The device's infoframes and the CEC example show without scrolling.
        const auto edits = tabs->widget(i)->findChildren<QTextEdit *>();
        for (QTextEdit *edit : edits) {
            if (edit->objectName() != QLatin1String("EDIDtext") &&
                (edit->verticalScrollBar()->maximum() != 0 ||
                 edit->horizontalScrollBar()->maximum() != 0))
                faults << QStringLiteral("%1 scrolls to show \"%2\"")
                              .arg(edit->objectName(), edit->toPlainText());
        }
        faults += geometryFaults(pageArea(tabs->widget(i)), nullptr, QRect());
        if (pictures) {
            QVERIFY(QDir().mkpath(QStringLiteral(KORVALIS_SHOT_DIR)));
            QVERIFY(w.grab().save(QStringLiteral("%1/%2-connected-%3-%4.png")
                                      .arg(QStringLiteral(KORVALIS_SHOT_DIR), FormName)
                                      .arg(i)
                                      .arg(tabs->widget(i)->objectName())));
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
}

QTEST_MAIN(FormTest)
#include "FormTest.moc"
