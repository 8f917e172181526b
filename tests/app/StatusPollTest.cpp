#include "FakeLink.h"
#include "FakePrompts.h"
#include "app/MainWindow.h"
#include "TestWindow.h"
#include "cec_infoframes/ColonHex.h"
#include "device/DeviceLink.h"
#include "sim/DeviceModel.h"
#include "sim/ModelUsbApi.h"

#include <QLabel>
#include <QMap>
#include <QSet>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QTimerEvent>
#include <QtTest>
#include <memory>

namespace
{

const char *const HeaderWidgets[] = {"label_video_format", "lblOutput",   "lblCsc",
                                     "lblVideoSource",     "lblHdrInput", "txtHdrIf"};

// Block contents after the echo byte, at their reply offsets (offset 0 is left for the echo).
QByteArray block(std::initializer_list<std::pair<int, int>> bytes, const QByteArray &text = {},
                 int textOffset = 0)
{
    QByteArray b(cmd::ReplySize, '\0');
    for (const auto &[offset, value] : bytes)
        b[offset] = char(value);
    b.replace(textOffset, text.size(), text);
    return b;
}

// A device that answers every command; info blocks come from a table and may fail. A failing
// block gets a one-byte reply, so the read fails without the poll back-off of a silent device.
struct BlockDevice {
    QMap<int, QByteArray> blocks; // index -> whole reply (byte 0 is overwritten by the echo)
    QSet<int> failing;

    std::optional<QByteArray> answer(const QByteArray &request) const
    {
        if (request.size() < 3)
            return std::nullopt;
        const auto direction = std::uint8_t(request[0]);
        const auto count = std::uint8_t(request[1]);
        const auto code = std::uint8_t(request[2]);
        if (direction == cmd::DirRead && code == cmd::InfoBlockRead && request.size() > 3) {
            const int index = std::uint8_t(request[3]);
            if (failing.contains(index))
                return QByteArray(1, char(cmd::InfoBlockRead));
            QByteArray reply = blocks.value(index, QByteArray(cmd::ReplySize, '\0'));
            reply[0] = char(cmd::InfoBlockRead);
            return reply;
        }
        if (direction == cmd::DirRead) {
            QByteArray reply(count, '\0');
            if (code != cmd::EdidData && count > 0)
                reply[0] = char(code);
            return reply;
        }
        return QByteArray(1, char(code)) + '\0';
    }
};

} // namespace

class StatusPollTest : public QObject
{
    Q_OBJECT

    struct Rig : FakeLink {
        FakePrompts prompts;
        BlockDevice device;
        std::unique_ptr<TestWindow> window;

        explicit Rig(bool attached = true)
        {
            if (attached)
                usb.devices = {{"2023"}};
            usb.responder = [this](const QByteArray &r) { return device.answer(r); };
        }
        ~Rig() { window.reset(); }
        void start() { window = std::make_unique<TestWindow>(link, prompts); }
        void tick() { StatusPollTest::tick(*window); }
    };
    std::unique_ptr<Rig> rig;

    // One poll cycle. Id 0 would be taken by QMainWindow for one of its own idle timers.
    static void tick(MainWindow &window)
    {
        QTimerEvent event(0x7FFF0001);
        QCoreApplication::sendEvent(&window, &event);
    }

    static QString text(MainWindow &window, const char *name)
    {
        if (auto *label = window.findChild<QLabel *>(QLatin1String(name)))
            return label->text();
        if (auto *editor = window.findChild<QTextEdit *>(QLatin1String(name)))
            return editor->toPlainText();
        return QStringLiteral("<no widget %1>").arg(QLatin1String(name));
    }
    QStringList header() const
    {
        QStringList texts;
        for (const char *name : HeaderWidgets)
            texts << text(*rig->window, name);
        return texts;
    }

    // A source sending 1080p60 with an HDR10 frame to TX A.
    void fillDevice()
    {
        rig->device.blocks[cmd::info::Status] =
            block({{2, 16}, {3, 0x10}, {5, 0x20}, {10, 0x40}, {11, 0x80}, {13, 0x02}});
        rig->device.blocks[cmd::info::SourceInfo] =
            block({}, QByteArray("NVIDIA\0\0SHIELD", 14), 4);
        rig->device.blocks[cmd::info::HdrCapture] =
            block({{2, 0x87}, {3, 4}, {4, 0x02}, {5, 0x00}, {6, 0xD0}, {7, 0x84}});
    }
    const QStringList filledHeader{"Input : 1920x1080p60 HDMI, HDCP 1.4",
                                   "Output: TX A",
                                   "Color Space: YCbCr 4:4:4, ITU-R BT.709",
                                   "Source Info: NVIDIA SHIELD",
                                   "HDR input:  SMPTE ST 2084",
                                   "02:00:d0:84"};

    void verifyDotsShown()
    {
        QStatusBar *bar = rig->window->statusBar();
        QCOMPARE(bar->currentMessage(), QStringLiteral("..."));
        auto *timer = bar->findChild<QTimer *>();
        QVERIFY(timer != nullptr && timer->isActive());
        QCOMPARE(timer->interval(), 2000);
    }

private slots:
    void init() { rig = std::make_unique<Rig>(); }
    void cleanup() { rig.reset(); }

    void startUpWritesTheHeader()
    {
        fillDevice();
        rig->start();
        QCOMPARE(header(), filledHeader);
        // No poll failure: the only report is the start-up EDID read's.
        QCOMPARE(rig->window->statusBar()->currentMessage(), QStringLiteral("EDID values read."));
    }

    void pollReadsFourBlocksLast()
    {
        fillDevice();
        rig->start();
        rig->usb.writes.clear();
        rig->tick();
        const QList<QByteArray> tail = rig->usb.writes.mid(rig->usb.writes.size() - 4);
        const QList<QByteArray> expected{
            QByteArray::fromHex("110fe006"), QByteArray::fromHex("111fe015"),
            QByteArray::fromHex("111fe01e"), QByteArray::fromHex("111fe01f")};
        QCOMPARE(tail, expected);
    }

    void gatingFailureChangesNothing()
    {
        fillDevice();
        rig->start();
        QCOMPARE(header(), filledHeader);

        rig->device.blocks.clear(); // would decode to a different header
        rig->device.failing = {cmd::info::Gating};
        rig->tick();
        QCOMPARE(header(), filledHeader);
        verifyDotsShown();
    }

    void formTextsStayUntilFirstDecode()
    {
        Rig detached(false);
        detached.start();
        QStringList formTexts;
        for (const char *name : HeaderWidgets)
            formTexts << text(*detached.window, name);

        fillDevice();
        rig->device.failing = {cmd::info::Gating};
        rig->start();
        QCOMPARE(header(), formTexts);
    }

    void failedBlockIsDecodedFromZeros_data()
    {
        QTest::addColumn<int>("failingBlock");
        QTest::addColumn<QStringList>("expected");

        QStringList zeroStatus = filledHeader;
        zeroStatus[0] = "Input :  non-HDMI, no HDCP";
        zeroStatus[1] = "Output: none";
        zeroStatus[2] = "Color Space: RGB";
        QTest::newRow("status block") << int(cmd::info::Status) << zeroStatus;

        QStringList zeroSource = filledHeader;
        zeroSource[3] = "Source Info: No Info";
        QTest::newRow("source block") << int(cmd::info::SourceInfo) << zeroSource;

        QStringList zeroCapture = filledHeader;
        zeroCapture[4] = "HDR input:  Not Active";
        zeroCapture[5] = "";
        QTest::newRow("capture block") << int(cmd::info::HdrCapture) << zeroCapture;
    }
    void failedBlockIsDecodedFromZeros()
    {
        QFETCH(int, failingBlock);
        QFETCH(QStringList, expected);
        fillDevice();
        rig->start();
        QCOMPARE(header(), filledHeader);

        rig->device.failing = {failingBlock};
        rig->tick();
        QCOMPARE(header(), expected);
        verifyDotsShown();
    }

    // The simulated device's named signals, through the whole program.
    void switchingSignalChangesHeaderAtNextPoll_data()
    {
        QTest::addColumn<QString>("signal");
        QTest::addColumn<QStringList>("expected"); // capture checked against the model's block

        QTest::newRow("4k60 HDR10")
            << "4k60-420-hdr10"
            << QStringList{"Input : 3840x2160p60 HDMI, 375MHz, [4:2:0 "
                           "10-bit], HDCP 2.2",
                           "Output: TX A",
                           "Color Space: YCbCr 4:2:0, Extended: ITU-R "
                           "BT.2020",
                           "Source Info: DEMOSRC UHD Player HDR", "HDR input:  SMPTE ST 2084"};
        QTest::newRow("4k60 600MHz")
            << "4k60-444-600"
            << QStringList{"Input : 3840x2160p60 HDMI, 600MHz, HDCP 2.2", "Output: TX A",
                           "Color Space: YCbCr 4:4:4, ITU-R BT.709",
                           "Source Info: DEMOPC Graphics Card", "HDR input:  Not Active"};
        QTest::newRow("3D") << "3d-sbs"
                            << QStringList{"Input : 1920x1080i60 Side-by-side 3D, HDCP 1.4",
                                           "Output: TX A", "Color Space: YCbCr 4:4:4, ITU-R BT.709",
                                           "Source Info: DEMOSRC 3D Player",
                                           "HDR input:  Not Active"};
        QTest::newRow("HDMI VIC") << "4k30-hdmivic"
                                  << QStringList{"Input : 3840x2160p30 HDMI, HDCP 1.4",
                                                 "Output: TX A", "Color Space: RGB",
                                                 "Source Info: DEMOBOX Streaming Box",
                                                 "HDR input:  Not Active"};
        QTest::newRow("no signal")
            << "none"
            << QStringList{"Input :  non-HDMI, no HDCP", "Output: none", "Color Space: RGB",
                           "Source Info: No Info", "HDR input:  Not Active"};
    }
    void switchingSignalChangesHeaderAtNextPoll()
    {
        QFETCH(QString, signal);
        QFETCH(QStringList, expected);

        FakeClock clock;
        DeviceModel model(clock);
        ModelUsbApi usb(model, clock);
        RecordingAlerts alerts;
        DeviceLink link(usb, clock, alerts);
        FakePrompts prompts;
        TestWindow window(link, prompts);

        const QString before = text(window, "label_video_format");
        QCOMPARE(before, QStringLiteral("Input : 1920x1080p60 HDMI, HDCP 1.4"));

        QVERIFY(model.selectSignal(signal));
        QCOMPARE(text(window, "label_video_format"), before); // nothing until the poll
        tick(window);

        QStringList shown;
        for (int i = 0; i < 5; ++i)
            shown << text(window, HeaderWidgets[i]);
        QCOMPARE(shown, expected);

        // The capture shows what the device captured, bounded by the 31-byte reply.
        const QByteArray capture = model.infoBlock(cmd::info::HdrCapture);
        const int n =
            std::uint8_t(capture[2]) == 0x87 ? std::min(int(std::uint8_t(capture[3])), 27) : 0;
        QCOMPARE(text(window, "txtHdrIf"),
                 formatColonHex(reinterpret_cast<const std::uint8_t *>(capture.constData()) + 4,
                                std::size_t(n)));
        QVERIFY(alerts.shown.isEmpty());
    }
};

QTEST_MAIN(StatusPollTest)
#include "StatusPollTest.moc"
