// The simulated device, driven through DeviceLink and the in-process adapter in fake time.
#include "sim/DeviceModel.h"
#include "Bytes.h"
#include "ModelLink.h"
#include "device/Commands.h"
#include "device/DeviceLink.h"
#include "sim/EdidGenerator.h"
#include "sim/ModelUsbApi.h"

#include <QtTest>

using Fault = DeviceModel::Fault;
using FaultKind = DeviceModel::FaultKind;

class DeviceModelTest : public QObject
{
    Q_OBJECT

    // One fresh device, adapter and open link per test.
    struct Rig : ModelLink {
        Rig()
        {
            std::uint32_t index = 99;
            link.findDevice("2023", index);
            link.openDevice(index);
        }
        // Sends a request; returns transact's result, the reply in `reply`.
        std::uint8_t send(const cmd::Request &r, cmd::ReplyBuffer &reply)
        {
            reply.fill(0);
            return link.transact(reply, r);
        }
        bool ok(const cmd::Request &r)
        {
            cmd::ReplyBuffer reply{};
            return r.accepted(send(r, reply), reply);
        }
        QByteArray readEdid()
        {
            QByteArray table;
            for (int offset = 0; offset < 256; offset += 16) {
                cmd::ReplyBuffer reply{};
                if (!send(cmd::edidDataRead(std::uint8_t(offset)), reply))
                    return QByteArray();
                table += bytes(reply, 16);
            }
            return table;
        }
        void waitIdle()
        {
            while (model.busy())
                clock.sleep(10);
        }
    };

private slots:
    void discoveryFindsTheConfiguredId()
    {
        FakeClock clock;
        DeviceModel model(clock);
        ModelUsbApi usb(model, clock, "KV-7");
        RecordingAlerts alerts;
        DeviceLink link(usb, clock, alerts);
        std::uint32_t index = 5;
        QCOMPARE(link.findDevice("2023", index), std::uint8_t(0));
        QCOMPARE(link.findDevice("KV-7", index), std::uint8_t(1));
        QCOMPARE(index, 0u);
        usb.setAttached(false);
        QCOMPARE(link.findDevice("KV-7", index), std::uint8_t(0));
    }

    void registerWriteChangesItsSettingByte_data()
    {
        QTest::addColumn<int>("reg");
        QTest::addColumn<int>("byte");
        // The device's numbering, written out independently of the model's table.
        const int map[][2] = {{0, 0},   {1, 6},   {2, 1},   {3, 3},   {4, 4},   {5, 2},
                              {8, 13},  {9, 14},  {10, 15}, {11, 16}, {12, 17}, {13, 18},
                              {14, 19}, {16, 21}, {17, 22}, {19, 24}, {22, 26}, {23, 27},
                              {24, 28}, {26, 29}, {27, 5},  {28, 30}, {29, 31}, {32, 32},
                              {33, 33}, {37, 35}, {38, 36}, {39, 37}, {40, 38}};
        for (const auto &m : map)
            QTest::addRow("reg %d", m[0]) << m[0] << m[1];
    }
    void registerWriteChangesItsSettingByte()
    {
        QFETCH(int, reg);
        QFETCH(int, byte);
        Rig rig;
        const QByteArray before = rig.model.settings();
        const std::uint8_t value = std::uint8_t(before[byte]) == 2 ? 3 : 2;
        cmd::ReplyBuffer reply{};
        QCOMPARE(rig.send(cmd::registerWrite(std::uint8_t(reg), value), reply), std::uint8_t(1));
        QCOMPARE(reply[0], std::uint8_t(0xE0));
        QByteArray expected = before;
        expected[byte] = char(value);
        QCOMPARE(rig.model.settings(), expected);
        // A following settings read reports the new value.
        QCOMPARE(rig.send(cmd::settingsRead(42), reply), std::uint8_t(1));
        QCOMPARE(reply[0], std::uint8_t(0xE1));
        QCOMPARE(reply[2 + byte], value);
        QCOMPARE(rig.model.requests().first(),
                 QByteArray::fromHex("1004e0") + char(reg) + char(value));
        QCOMPARE(rig.model.requests().last(), QByteArray::fromHex("112ae1"));
    }

    void unmappedRegistersGoToTheRegisterFile_data()
    {
        QTest::addColumn<int>("reg");
        for (int r : {6, 7, 15, 18, 20, 21, 30, 31, 34, 35, 36, 41, 200})
            QTest::addRow("reg %d", r) << r;
    }
    void unmappedRegistersGoToTheRegisterFile()
    {
        QFETCH(int, reg);
        Rig rig;
        const QByteArray before = rig.model.settings();
        QVERIFY(rig.ok(cmd::registerWrite(std::uint8_t(reg), 0x77)));
        QCOMPARE(rig.model.settings(), before);
        QCOMPARE(rig.model.registerValue(reg), std::uint8_t(0x77));
    }

    void settingsBlockLayoutAndFactoryAvailability()
    {
        Rig rig;
        cmd::ReplyBuffer reply{};
        QCOMPARE(rig.send(cmd::settingsRead(42), reply), std::uint8_t(1));
        QCOMPARE(reply[1], std::uint8_t(0)); // idle
        QCOMPARE(bytes(reply, 42).mid(2), rig.model.settings());
        QCOMPARE(reply[2 + 9], std::uint8_t(1));
        QCOMPARE(reply[2 + 10], std::uint8_t(1));
        QCOMPARE(reply[2 + 11], std::uint8_t(1));
        QCOMPARE(reply[42], std::uint8_t(0)); // nothing beyond the block
    }

    void settingsBlockWriteReplacesAllForty()
    {
        Rig rig;
        QByteArray block(40, '\0');
        for (int i = 0; i < 40; ++i)
            block[i] = char(i + 1);
        QVERIFY(rig.ok(
            cmd::settingsBlockWrite(reinterpret_cast<const std::uint8_t *>(block.constData()))));
        QCOMPARE(rig.model.settings(), block);
        // A truncated block is refused and changes nothing.
        cmd::Request shortOne =
            cmd::settingsBlockWrite(reinterpret_cast<const std::uint8_t *>(block.constData()));
        shortOne.length = 30;
        QVERIFY(!rig.ok(shortOne));
        QCOMPARE(rig.model.settings(), block);
    }

    void factoryReset_data()
    {
        QTest::addColumn<int>("what");
        QTest::addColumn<bool>("settingsReset");
        QTest::addColumn<bool>("edidReset");
        QTest::newRow("EDID") << 1 << false << true;
        QTest::newRow("settings") << 2 << true << false;
        QTest::newRow("both") << 3 << true << true;
        QTest::newRow("unknown value") << 4 << false << false;
    }
    void factoryReset()
    {
        QFETCH(int, what);
        QFETCH(bool, settingsReset);
        QFETCH(bool, edidReset);
        Rig rig;
        rig.model.setSetting(26, 0);
        rig.model.setSetting(36, 1);
        QByteArray upload(256, '\x11');
        rig.model.setTransferBuffer(upload);
        QVERIFY(rig.ok(cmd::edidCommit()));
        const QByteArray changed = rig.model.settings();
        QVERIFY(rig.ok(cmd::registerWrite(25, std::uint8_t(what))));
        QCOMPARE(rig.model.settings(), settingsReset ? DeviceModel::factorySettings() : changed);
        QCOMPARE(rig.model.uploadedEdid(), edidReset ? edidgen::builtinTable(1) : upload);
    }

    void edidSettingsRebuildAndKeepTheDeviceBusy_data()
    {
        QTest::addColumn<int>("reg");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("rebuilds");
        QTest::newRow("mode FIXED") << 5 << 2 << true;
        QTest::newRow("custom table") << 14 << 7 << true;
        QTest::newRow("2.0 stereo") << 8 << 1 << true;
        QTest::newRow("5.1") << 9 << 1 << true;
        QTest::newRow("3D remove") << 10 << 1 << true;
        QTest::newRow("HDR packet") << 11 << 1 << true;
        QTest::newRow("full audio") << 12 << 1 << true;
        QTest::newRow("BT.2020") << 24 << 1 << true;
        QTest::newRow("YCbCr") << 26 << 0 << true;
        QTest::newRow("automix algorithm") << 32 << 3 << true;
        QTest::newRow("auto switch") << 1 << 0 << false;
        QTest::newRow("same mode again") << 5 << 1 << false;
    }
    void edidSettingsRebuildAndKeepTheDeviceBusy()
    {
        QFETCH(int, reg);
        QFETCH(int, value);
        QFETCH(bool, rebuilds);
        Rig rig;
        rig.model.plugDisplay(DeviceModel::Output::B, QStringLiteral("tv-1080p"));
        rig.waitIdle();
        const int before = rig.model.edidRebuilds();
        QVERIFY(rig.ok(cmd::registerWrite(std::uint8_t(reg), std::uint8_t(value))));
        QCOMPARE(rig.model.edidRebuilds(), before + (rebuilds ? 1 : 0));
        QCOMPARE(rig.model.busy(), rebuilds);
        if (!rebuilds)
            return;
        const std::uint32_t start = rig.clock.now;
        cmd::ReplyBuffer reply{};
        do {
            QVERIFY(rig.send(cmd::settingsRead(42), reply));
            rig.clock.sleep(10);
        } while (reply[1] & 1);
        const std::uint32_t busyFor = rig.clock.now - start;
        QVERIFY2(busyFor >= 1500 && busyFor <= 1600, QByteArray::number(busyFor));
        QVERIFY(edidgen::checksumsValid(rig.model.ownEdid()));
    }

    void edidOptionsShapeTheAutomixTable()
    {
        Rig rig;
        // The display on TX A takes stereo only; the options override what it takes.
        QVERIFY(rig.model.ownEdid().contains(QByteArray::fromHex("23090707")));
        QVERIFY(rig.ok(cmd::registerWrite(12, 1))); // full audio: 8-channel LPCM
        QVERIFY(rig.model.ownEdid().contains(QByteArray::fromHex("0f7f07")));
        QVERIFY(rig.ok(cmd::registerWrite(9, 1))); // 5.1 wins over full audio
        QVERIFY(rig.model.ownEdid().contains(QByteArray::fromHex("0d7f07")));
        QVERIFY(!rig.model.ownEdid().contains(QByteArray::fromHex("0f7f07")));
        QVERIFY(rig.ok(cmd::registerWrite(8, 1))); // 2.0 stereo wins over both
        QVERIFY(rig.model.ownEdid().contains(QByteArray::fromHex("23090707")));
        QVERIFY(rig.ok(cmd::registerWrite(26, 0))); // no YCbCr: the CTA header says so
        QCOMPARE(std::uint8_t(rig.model.ownEdid()[131]) & 0x30, 0);
        QVERIFY(edidgen::checksumsValid(rig.model.ownEdid()));
    }

    void customTableSelection_data()
    {
        QTest::addColumn<int>("table");
        QTest::newRow("uploaded") << 1;
        QTest::newRow("2") << 2;
        QTest::newRow("25") << 25;
    }
    void customTableSelection()
    {
        QFETCH(int, table);
        Rig rig;
        QVERIFY(rig.ok(cmd::registerWrite(5, 3)));
        QVERIFY(rig.ok(cmd::registerWrite(14, std::uint8_t(table))));
        QVERIFY(rig.ok(cmd::edidFetch(cmd::EdidFetchOwn)));
        rig.waitIdle();
        const QByteArray expected =
            table == 1 ? rig.model.uploadedEdid() : edidgen::builtinTable(table);
        QCOMPARE(rig.readEdid(), expected);
    }

    // The end-to-end EDID path: 32 write chunks, commit, CUSTOM mode with table 1, fetch, 16 reads.
    void uploadedEdidRoundTrip()
    {
        Rig rig;
        QByteArray table = edidgen::builtinTable(17);
        table[20] = char(0x81);
        for (int i = 0; i < 32; ++i)
            QVERIFY(rig.ok(cmd::edidDataWrite(
                std::uint8_t(8 * i),
                reinterpret_cast<const std::uint8_t *>(table.constData()) + 8 * i)));
        QVERIFY(rig.ok(cmd::edidCommit()));
        QVERIFY(rig.ok(cmd::registerWrite(5, 3)));
        QVERIFY(rig.ok(cmd::registerWrite(14, 1)));
        QVERIFY(rig.ok(cmd::edidFetch(cmd::EdidFetchOwn)));
        rig.waitIdle();
        QCOMPARE(rig.readEdid(), table);
        QCOMPARE(rig.model.countRequests(cmd::EdidData, cmd::DirWrite), 32);
        QCOMPARE(rig.model.countRequests(cmd::EdidData, cmd::DirRead), 16);
    }

    void fetchFromOutputs_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("plugA");
        QTest::addColumn<bool>("plugB");
        QTest::addColumn<bool>("echoed");
        QTest::newRow("TV A plugged") << int(cmd::EdidFetchTvA) << true << false << true;
        QTest::newRow("TV A empty") << int(cmd::EdidFetchTvA) << false << true << false;
        QTest::newRow("TV B plugged") << int(cmd::EdidFetchTvB) << false << true << true;
        QTest::newRow("TV B empty") << int(cmd::EdidFetchTvB) << true << false << false;
    }
    void fetchFromOutputs()
    {
        QFETCH(int, code);
        QFETCH(bool, plugA);
        QFETCH(bool, plugB);
        QFETCH(bool, echoed);
        Rig rig;
        rig.model.unplugDisplay(DeviceModel::Output::A);
        if (plugA)
            rig.model.plugDisplay(DeviceModel::Output::A, QStringLiteral("tv-4k30"));
        if (plugB)
            rig.model.plugDisplay(DeviceModel::Output::B, QStringLiteral("avr-4k"));
        rig.model.setTransferBuffer(QByteArray(256, '\x42'));
        rig.waitIdle();
        cmd::ReplyBuffer reply{};
        QCOMPARE(rig.send(cmd::edidFetch(std::uint8_t(code)), reply), std::uint8_t(1));
        QCOMPARE(reply[0] == code, echoed);
        QCOMPARE(rig.model.busy(), echoed); // a fetch keeps the device busy for a while
        rig.clock.sleep(200);
        QVERIFY(!rig.model.busy());
        const auto out =
            code == cmd::EdidFetchTvA ? DeviceModel::Output::A : DeviceModel::Output::B;
        QCOMPARE(rig.readEdid(), echoed ? rig.model.displayEdid(out) : QByteArray(256, '\x42'));
    }

    void signalsFillTheStatusBlocks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("vic");
        QTest::addColumn<int>("clockClass");
        QTest::addColumn<int>("format"); // status byte 14
        QTest::addColumn<int>("byte9");
        QTest::addColumn<int>("colour"); // byte 10 & 0x60
        QTest::addColumn<bool>("hdr");
        QTest::addColumn<bool>("source");
        QTest::newRow("none") << "none" << 0 << 0 << 0 << 0 << 0 << false << false;
        QTest::newRow("1080p60") << "1080p60" << 16 << 0 << 0 << 0 << 0x00 << false << true;
        QTest::newRow("HDR10") << "4k60-420-hdr10" << 97 << 1 << 0 << 0 << 0x60 << true << true;
        QTest::newRow("600 MHz") << "4k60-444-600" << 97 << 2 << 0 << 0 << 0x40 << false << true;
        QTest::newRow("3D") << "3d-sbs" << 5 << 0 << 0x40 << 0x80 << 0x40 << false << true;
        QTest::newRow("HDMI VIC") << "4k30-hdmivic" << 0 << 0 << 0x20 << 1 << 0x00 << false << true;
    }
    void signalsFillTheStatusBlocks()
    {
        QFETCH(QString, name);
        QFETCH(int, vic);
        QFETCH(int, clockClass);
        QFETCH(int, format);
        QFETCH(int, byte9);
        QFETCH(int, colour);
        QFETCH(bool, hdr);
        QFETCH(bool, source);
        Rig rig;
        QVERIFY(rig.model.selectSignal(name));
        cmd::ReplyBuffer status{}, spd{}, capture{}, gating{};
        QVERIFY(rig.send(cmd::infoBlockRead(6, 15), status));
        QVERIFY(rig.send(cmd::infoBlockRead(21, 31), spd));
        QVERIFY(rig.send(cmd::infoBlockRead(30, 31), capture));
        QVERIFY(rig.send(cmd::infoBlockRead(31, 31), gating));
        for (const auto *r : {&status, &spd, &capture, &gating})
            QCOMPARE((*r)[0], std::uint8_t(0xE0));
        QCOMPARE(int(status[2]), vic);
        QCOMPARE(int(status[4]), clockClass);
        QCOMPARE(int(status[14]), format);
        QCOMPARE(int(status[9]), byte9);
        QCOMPARE(int(status[10] & 0x60), colour);
        QCOMPARE(status[15], std::uint8_t(0)); // exactly 15 bytes came
        QCOMPARE(bool(status[3] & 0x10), name != "none");
        QCOMPARE(int(status[5] & 0x60), name == "none" ? 0 : 0x20); // display on TX A only
        QCOMPARE(spd[4] != 0, source);
        QCOMPARE(capture[2] == 0x87, hdr);
        if (hdr) {
            QCOMPARE(int(capture[3]), 26);
            QCOMPARE(capture[4], std::uint8_t(2)); // SMPTE ST 2084
            QCOMPARE(int(status[11] & 0xC0), 0xC0);
            QCOMPARE(int(status[12] & 0x70), 0x60); // BT.2020
        }
    }

    void unknownSignalIsRefused()
    {
        Rig rig;
        QVERIFY(!rig.model.selectSignal(QStringLiteral("8k120")));
        QCOMPARE(rig.model.signalName(), QStringLiteral("1080p60"));
    }

    void firmwareAndStoredInfoframes()
    {
        Rig rig;
        rig.model.setFirmwareVersion(1, 11, 0, 5);
        cmd::ReplyBuffer reply{};
        QVERIFY(rig.send(cmd::infoBlockRead(7, 8), reply));
        QCOMPARE(bytes(reply, 8), QByteArray::fromHex("e000010b00050000"));

        const QByteArray hdr = QByteArray::fromHex("8701035c02000000");
        const cmd::Request storeHdr =
            cmd::payloadWrite(cmd::HdrInfoframeWrite,
                              reinterpret_cast<const std::uint8_t *>(hdr.constData()), hdr.size());
        QVERIFY(rig.ok(storeHdr));
        QVERIFY(rig.ok(cmd::activateAfter(storeHdr, cmd::ActivateHdr)));
        QVERIFY(rig.send(cmd::infoBlockRead(35, 33), reply));
        QCOMPARE(bytes(reply, 33).mid(2, hdr.size()), hdr);
        QCOMPARE(reply[2 + hdr.size()], std::uint8_t(0)); // the old frame is gone

        const QByteArray avi = QByteArray::fromHex("60c8606100");
        const cmd::Request storeAvi =
            cmd::payloadWrite(cmd::AviInfoframeWrite,
                              reinterpret_cast<const std::uint8_t *>(avi.constData()), avi.size());
        QVERIFY(rig.ok(storeAvi));
        QVERIFY(rig.ok(cmd::activateAfter(storeAvi, cmd::ActivateAvi)));
        QVERIFY(rig.send(cmd::infoBlockRead(36, 15), reply));
        QCOMPARE(bytes(reply, 15), QByteArray::fromHex("e000") + avi + QByteArray(8, '\0'));
        QCOMPARE(rig.model.activations(), (QList<std::uint8_t>{0x20, 0x80}));
        // A frame too long for block 35 (32 bytes) is refused.
        const QByteArray tooLong(32, '\x01');
        QVERIFY(!rig.ok(
            cmd::payloadWrite(cmd::HdrInfoframeWrite,
                              reinterpret_cast<const std::uint8_t *>(tooLong.constData()), 32)));
        QCOMPARE(rig.model.storedHdrInfoframe(), hdr);
    }

    void cecCommandsAreRecorded()
    {
        Rig rig;
        const QByteArray msg = QByteArray::fromHex("500104");
        const cmd::Request send = cmd::payloadWrite(
            cmd::CecSend, reinterpret_cast<const std::uint8_t *>(msg.constData()), 3);
        QVERIFY(rig.ok(send));
        QVERIFY(rig.ok(cmd::activateAfter(send, cmd::ActivateCec)));
        const QByteArray text = "50:04\r";
        QVERIFY(rig.ok(cmd::cecStore(cmd::CecStore1,
                                     reinterpret_cast<const std::uint8_t *>(text.constData()),
                                     text.size())));
        QVERIFY(rig.ok(
            cmd::cecStore(cmd::CecStore2, reinterpret_cast<const std::uint8_t *>("0F:36\r"), 6)));
        QCOMPARE(rig.model.cecSent(), QList<QByteArray>{msg});
        QCOMPARE(rig.model.activations(), QList<std::uint8_t>{0x10});
        QCOMPARE(rig.model.cecStored(1), text);
        QCOMPARE(rig.model.cecStored(2), QByteArray("0F:36\r"));
        // Exact bytes on the wire.
        QCOMPARE(rig.model.requests().at(0), QByteArray::fromHex("1003b2500104"));
        QCOMPARE(rig.model.requests().at(1), QByteArray::fromHex("1003b310"));
        QCOMPARE(rig.model.requests().at(2), QByteArray::fromHex("100ae3434543203530") + ":04\r");
    }

    void faults_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("expectedResult");
        QTest::addColumn<int>("firstByte");
        QTest::addColumn<int>("queuedAfter");
        QTest::addColumn<std::uint32_t>("elapsedAtLeast");
        QTest::newRow("no reply") << int(FaultKind::NoReply) << 1 << 0 << 0 << 4000u;
        QTest::newRow("short reply") << int(FaultKind::ShortReply) << 0 << 0xE0 << 0 << 0u;
        QTest::newRow("wrong echo") << int(FaultKind::WrongEcho) << 1 << (0xE0 ^ 0x5A) << 0 << 0u;
        QTest::newRow("80 bytes") << int(FaultKind::LongReply) << 1 << 0xE0 << 16 << 0u;
        QTest::newRow("delay") << int(FaultKind::Delay) << 1 << 0xE0 << 0 << 300u;
    }
    void faults()
    {
        QFETCH(int, kind);
        QFETCH(int, expectedResult);
        QFETCH(int, firstByte);
        QFETCH(int, queuedAfter);
        QFETCH(std::uint32_t, elapsedAtLeast);
        Rig rig;
        Fault f;
        f.kind = FaultKind(kind);
        f.code = cmd::RegisterWrite;
        f.count = 1;
        f.delayMs = 300;
        rig.model.addFault(f);
        cmd::ReplyBuffer reply{};
        const std::uint32_t start = rig.clock.now;
        QCOMPARE(int(rig.send(cmd::registerWrite(1, 0), reply)), expectedResult);
        QVERIFY(rig.clock.now - start >= elapsedAtLeast);
        QVERIFY(rig.clock.now - start <= std::max(elapsedAtLeast + 5, 5u));
        QCOMPARE(int(reply[0]), firstByte);
        QCOMPARE(int(rig.usb.queued().size()), queuedAfter);
        // The fault was for one request only; the next exchange is clean again.
        QVERIFY(rig.ok(cmd::registerWrite(1, 1)));
        QCOMPARE(rig.usb.queued().size(), 0);
    }

    void faultOnlyForItsCommand()
    {
        Rig rig;
        Fault f;
        f.kind = FaultKind::NoReply;
        f.code = cmd::SettingsRead;
        rig.model.addFault(f);
        QVERIFY(rig.ok(cmd::registerWrite(1, 0)));
        QVERIFY(!rig.ok(cmd::settingsRead(42)));
        QVERIFY(!rig.ok(cmd::settingsRead(42))); // until cleared
        rig.model.clearFaults();
        QVERIFY(rig.ok(cmd::settingsRead(42)));
    }

    void busyThatNeverClears()
    {
        Rig rig;
        rig.model.setBusy(true);
        cmd::ReplyBuffer reply{};
        for (int i = 0; i < 3; ++i) {
            QVERIFY(rig.send(cmd::settingsRead(42), reply));
            QCOMPARE(reply[1] & 1, 1);
            rig.clock.sleep(100000);
        }
        rig.model.setBusy(false);
        QVERIFY(rig.send(cmd::settingsRead(42), reply));
        QCOMPARE(reply[1] & 1, 0);
    }

    void unplugAfterRequests()
    {
        Rig rig;
        rig.model.unplugAfter(2);
        QVERIFY(rig.ok(cmd::registerWrite(1, 0)));
        QVERIFY(rig.ok(cmd::registerWrite(1, 1))); // the second is still answered
        cmd::ReplyBuffer reply{};
        QCOMPARE(rig.send(cmd::registerWrite(1, 0), reply), std::uint8_t(0)); // the write fails
        QCOMPARE(rig.model.requestCount(), 2);
        std::uint32_t index = 0;
        QCOMPARE(rig.link.findDevice("2023", index), std::uint8_t(0));
    }

    void malformedAndUnknownRequests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("answered");
        QTest::newRow("register write with count 3") << QByteArray::fromHex("1003e00100") << true;
        QTest::newRow("register write, value missing") << QByteArray::fromHex("1004e001") << true;
        QTest::newRow("settings read as a write") << QByteArray::fromHex("102ae1") << true;
        QTest::newRow("chunk write with 7 bytes")
            << QByteArray::fromHex("1008b000") + QByteArray(7, 'x') << true;
        QTest::newRow("unknown command") << QByteArray::fromHex("1001c7") << false;
        QTest::newRow("two bytes") << QByteArray::fromHex("1001") << false;
    }
    void malformedAndUnknownRequests()
    {
        QFETCH(QByteArray, request);
        QFETCH(bool, answered);
        Rig rig;
        const QByteArray before = rig.model.settings();
        const DeviceModel::Reply reply = rig.model.handle(request);
        QCOMPARE(reply.send, answered);
        if (answered) // answered, but never with the echo
            QVERIFY(reply.bytes.isEmpty() || reply.bytes[0] != request[2]);
        QCOMPARE(rig.model.settings(), before);
        QCOMPARE(rig.model.exchanges().last().request, request);
    }

    void edidReadChunkHasNoEcho()
    {
        Rig rig;
        QByteArray table(256, '\0');
        for (int i = 0; i < 256; ++i)
            table[i] = char(i);
        rig.model.setTransferBuffer(table);
        cmd::ReplyBuffer reply{};
        QCOMPARE(rig.send(cmd::edidDataRead(0xE0), reply), std::uint8_t(1));
        QCOMPARE(bytes(reply, 16), table.mid(0xE0, 16));
        // An offset near the end does not read past the buffer.
        cmd::Request last = cmd::edidDataRead(0xF8);
        QCOMPARE(rig.send(last, reply), std::uint8_t(1));
        QCOMPARE(bytes(reply, 16), table.mid(0xF8) + QByteArray(8, '\0'));
    }
};

QTEST_GUILESS_MAIN(DeviceModelTest)
#include "DeviceModelTest.moc"
