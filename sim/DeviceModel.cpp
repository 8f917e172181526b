#include "sim/DeviceModel.h"

#include "device/Commands.h"

#include <algorithm>

namespace
{

// The device's own register numbering: register -> setting byte.
struct RegisterByte {
    int reg;
    int byte;
};
const RegisterByte kRegisterBytes[] = {
    {0, 0},   {1, 6},   {2, 1},   {3, 3},   {4, 4},   {5, 2},   {8, 13},  {9, 14},
    {10, 15}, {11, 16}, {12, 17}, {13, 18}, {14, 19}, {16, 21}, {17, 22}, {19, 24},
    {22, 26}, {23, 27}, {24, 28}, {26, 29}, {27, 5},  {28, 30}, {29, 31}, {32, 32},
    {33, 33}, {37, 35}, {38, 36}, {39, 37}, {40, 38},
};
constexpr int kFactoryResetRegister = 25;

// Setting bytes whose change makes the device build its own EDID anew.
const int kEdidBytes[] = {2, 13, 14, 15, 16, 17, 19, 28, 29, 32};

// A simulated source: what the device's receiver reports about it.
struct SignalInfo {
    const char *name;
    std::uint8_t vic;
    bool hdmi;
    std::uint8_t clockClass;
    std::uint8_t hdmiVicOr3d; // status byte 9
    std::uint8_t aviDb1, aviDb2, aviDb3;
    std::uint8_t hdcp;       // 1 = 1.4, 2 = 2.2
    std::uint8_t vsifFormat; // status byte 14
    const char *vendor;
    const char *product;
    const char *hdrPayload; // hex of the captured HDR infoframe payload, empty: none
};

// HDR10 mastering data: ST 2084, BT.2020 primaries, D65, 1000 / 0.005 cd/m2, MaxCLL 1000,
// MaxFALL 400 (the 26 data bytes of a Dynamic Range and Mastering infoframe).
const char kHdr10Payload[] = "0200"
                             "3421aa9b"
                             "9619fc08"
                             "488a0839"
                             "133d4240"
                             "e803"
                             "3200"
                             "e803"
                             "9001";

const SignalInfo kSignals[] = {
    {"none", 0, false, 0, 0, 0x00, 0x00, 0x00, 0, 0, "", "", ""},
    {"1080p60", 16, true, 0, 0, 0x00, 0x88, 0x00, 1, 0, "DEMOSRC", "Media Player", ""},
    {"4k60-420-hdr10", 97, true, 1, 0, 0x60, 0xC8, 0x60, 2, 0, "DEMOSRC", "UHD Player HDR",
     kHdr10Payload},
    {"4k60-444-600", 97, true, 2, 0, 0x40, 0x88, 0x00, 2, 0, "DEMOPC", "Graphics Card", ""},
    {"3d-sbs", 5, true, 0, 0x80, 0x40, 0x88, 0x00, 1, 0x40, "DEMOSRC", "3D Player", ""},
    {"4k30-hdmivic", 0, true, 0, 1, 0x00, 0x00, 0x00, 1, 0x20, "DEMOBOX", "Streaming Box", ""},
};

const SignalInfo *findSignal(const QString &name)
{
    for (const SignalInfo &s : kSignals)
        if (name == QLatin1String(s.name))
            return &s;
    return nullptr;
}

QByteArray defaultHdrInfoframe()
{
    // Type 0x87, version 1, length 26, checksum, then the HDR10 payload.
    QByteArray f = QByteArray::fromHex("87011a00") + QByteArray::fromHex(kHdr10Payload);
    std::uint8_t sum = 0;
    for (char c : f)
        sum = std::uint8_t(sum + std::uint8_t(c));
    f[3] = char(std::uint8_t(0x100 - sum));
    return f;
}

QByteArray defaultAviInfoframe()
{
    // RGB, BT.709, 16:9, full range, VIC 16.
    return QByteArray::fromHex("00a8081000000000000000000000").left(13);
}

} // namespace

DeviceModel::DeviceModel(Clock &clock) : clock_(clock)
{
    setSettings(factorySettings());
    signal_ = QStringLiteral("1080p60");
    plugDisplay(Output::A, QStringLiteral("tv-4k-hdr"));
    uploaded_ = edidgen::builtinTable(1);
    buffer_ = QByteArray(cmd::EdidSize, '\0');
    storedHdr_ = defaultHdrInfoframe();
    storedAvi_ = defaultAviInfoframe();
    rebuildOwnEdid();
    busyTimed_ = false; // a freshly started device is idle
    rebuilds_ = 0;
}

QByteArray DeviceModel::factorySettings()
{
    QByteArray s(SettingsCount, '\0');
    s[0] = 1;  // PORT A
    s[1] = 1;  // HDMI audio
    s[2] = 1;  // AUTOMIX
    s[3] = 3;  // HDCP 2.2
    s[5] = 1;  // CEC on
    s[6] = 1;  // auto switch on
    s[9] = 1;  // EDID controls available
    s[10] = 1; // HDCP controls available
    s[11] = 1; // audio controls available
    s[19] = 1; // custom table 1
    s[26] = 1; // green LED on
    s[27] = 1; // blue LEDs on
    s[29] = 1; // YCbCr allowed
    s[32] = 1; // Max Audio, Min Video
    s[35] = 1; // TX HTPC mode off
    return s;
}

int DeviceModel::settingByteOfRegister(int reg)
{
    for (const RegisterByte &m : kRegisterBytes)
        if (m.reg == reg)
            return m.byte;
    return -1;
}

QList<QByteArray> DeviceModel::requests() const
{
    QList<QByteArray> out;
    for (const Exchange &e : log_)
        out << e.request;
    return out;
}

int DeviceModel::countRequests(std::uint8_t code, int direction) const
{
    return int(std::count_if(log_.begin(), log_.end(), [&](const Exchange &e) {
        return e.request.size() > 2 && std::uint8_t(e.request[2]) == code &&
               (direction < 0 || std::uint8_t(e.request[0]) == direction);
    }));
}

QList<std::uint8_t> DeviceModel::registerWrites(std::uint8_t reg) const
{
    QList<std::uint8_t> values;
    for (const Exchange &e : log_) {
        const QByteArray &r = e.request;
        if (r.size() == 5 && std::uint8_t(r[0]) == cmd::DirWrite &&
            std::uint8_t(r[2]) == cmd::RegisterWrite && std::uint8_t(r[3]) == reg)
            values << std::uint8_t(r[4]);
    }
    return values;
}

std::uint8_t DeviceModel::setting(int byte) const
{
    return byte >= 0 && byte < SettingsCount ? settings_[std::size_t(byte)] : 0;
}

void DeviceModel::setSetting(int byte, std::uint8_t value)
{
    if (byte < 0 || byte >= SettingsCount)
        return;
    const QByteArray before = settings();
    settings_[std::size_t(byte)] = value;
    settingsChanged(before);
}

QByteArray DeviceModel::settings() const
{
    return QByteArray(reinterpret_cast<const char *>(settings_.data()), SettingsCount);
}

void DeviceModel::setSettings(const QByteArray &forty)
{
    const QByteArray before = settings();
    for (int i = 0; i < SettingsCount && i < forty.size(); ++i)
        settings_[std::size_t(i)] = std::uint8_t(forty[i]);
    if (!ownEdid_.isEmpty())
        settingsChanged(before);
}

void DeviceModel::settingsChanged(const QByteArray &before)
{
    for (int b : kEdidBytes) {
        if (before.size() == SettingsCount && before[b] != char(settings_[std::size_t(b)])) {
            rebuildOwnEdid();
            return;
        }
    }
}

void DeviceModel::factoryReset(std::uint8_t what)
{
    if (what == 2 || what == 3)
        setSettings(factorySettings());
    if (what == 1 || what == 3) {
        uploaded_ = edidgen::builtinTable(1);
        rebuildOwnEdid();
    }
}

// --- Busy ---

bool DeviceModel::busy() const
{
    if (busyForever_)
        return true;
    return busyTimed_ && std::int32_t(busyUntil_ - clock_.tickCount()) > 0;
}

void DeviceModel::setBusy(bool on)
{
    busyForever_ = on;
    if (!on)
        busyTimed_ = false;
}

void DeviceModel::setBusyFor(std::uint32_t ms)
{
    startBusy(ms);
}

void DeviceModel::startBusy(std::uint32_t ms)
{
    const std::uint32_t until = clock_.tickCount() + ms;
    if (!busy() || std::int32_t(until - busyUntil_) > 0)
        busyUntil_ = until;
    busyTimed_ = true;
}

// --- Signal and outputs ---

QStringList DeviceModel::signalNames()
{
    QStringList names;
    for (const SignalInfo &s : kSignals)
        names << QLatin1String(s.name);
    return names;
}

bool DeviceModel::selectSignal(const QString &name)
{
    if (!findSignal(name))
        return false;
    signal_ = name;
    return true;
}

void DeviceModel::plugDisplay(Output output, const QByteArray &edid256)
{
    QByteArray e = edid256.left(cmd::EdidSize);
    e.append(QByteArray(cmd::EdidSize - e.size(), '\0'));
    display_[int(output)] = e;
    displayProfile_[int(output)].reset();
    if (settings_[2] == 1)
        rebuildOwnEdid();
}

bool DeviceModel::plugDisplay(Output output, const QString &displayName)
{
    edidgen::Profile p;
    if (!edidgen::displayProfile(displayName, &p))
        return false;
    display_[int(output)] = edidgen::generate(p);
    displayProfile_[int(output)] = p;
    if (!ownEdid_.isEmpty() && settings_[2] == 1)
        rebuildOwnEdid();
    return true;
}

void DeviceModel::unplugDisplay(Output output)
{
    display_[int(output)].reset();
    displayProfile_[int(output)].reset();
    if (settings_[2] == 1)
        rebuildOwnEdid();
}

bool DeviceModel::displayPlugged(Output output) const
{
    return display_[int(output)].has_value();
}

QByteArray DeviceModel::displayEdid(Output output) const
{
    return display_[int(output)].value_or(QByteArray());
}

// --- EDID ---

void DeviceModel::setTransferBuffer(const QByteArray &edid256)
{
    buffer_ = edid256.left(cmd::EdidSize);
    buffer_.append(QByteArray(cmd::EdidSize - buffer_.size(), '\0'));
}

edidgen::Profile DeviceModel::automixProfile() const
{
    // Displays plugged with raw bytes count as the fixed profile: the model does not parse them.
    QList<edidgen::Profile> sinks;
    for (int i = 0; i < 2; ++i)
        if (display_[i])
            sinks << displayProfile_[i].value_or(edidgen::fixedProfile());
    if (sinks.isEmpty())
        return edidgen::fixedProfile();
    if (sinks.size() == 1)
        return sinks[0];
    const edidgen::Profile &a = sinks[0], &b = sinks[1];
    const bool aBetterVideo = a.videoRank() >= b.videoRank();
    const edidgen::Profile &minVideo = aBetterVideo ? b : a;
    const edidgen::Profile &maxVideo = aBetterVideo ? a : b;
    const edidgen::Audio minAudio = std::min(a.audio, b.audio);
    const edidgen::Audio maxAudio = std::max(a.audio, b.audio);
    edidgen::Profile p;
    switch (settings_[32]) {
    case 0: // Min Mixed Capabilities
        p = minVideo;
        p.audio = minAudio;
        break;
    case 2: // TOP output priority
        p = a;
        break;
    case 3: // Max Audio, Max Video
        p = maxVideo;
        p.audio = maxAudio;
        break;
    default: // Max Audio, Min Video
        p = minVideo;
        p.audio = maxAudio;
        break;
    }
    return p;
}

void DeviceModel::rebuildOwnEdid()
{
    const std::uint8_t mode = settings_[2];
    if (mode == 3) {
        const int table = settings_[19];
        ownEdid_ = table == 1 ? uploaded_ : edidgen::builtinTable(table);
    } else {
        edidgen::Profile p = mode == 2 ? edidgen::fixedProfile() : automixProfile();
        p.monitorName = mode == 2 ? "KORVALIS FIX" : "KORVALIS MIX";
        p.productCode = mode == 2 ? 100 : 101;
        if (settings_[17] == 1)
            p.audio = edidgen::Audio::All;
        if (settings_[14] == 1)
            p.audio = edidgen::Audio::Surround51;
        if (settings_[13] == 1)
            p.audio = edidgen::Audio::Stereo;
        if (settings_[15] == 1)
            p.threeD = false;
        if (settings_[16] == 1)
            p.hdr = true;
        if (settings_[28] == 1)
            p.bt2020 = true;
        if (settings_[29] != 1) {
            p.ycbcr444 = p.ycbcr422 = false;
            p.vics420Also.clear();
            p.vics420Only.clear();
        }
        ownEdid_ = edidgen::generate(p);
    }
    ++rebuilds_;
    startBusy(rebuildBusyMs_);
}

// --- Info blocks ---

void DeviceModel::setFirmwareVersion(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d)
{
    firmware_[0] = a;
    firmware_[1] = b;
    firmware_[2] = c;
    firmware_[3] = d;
}

void DeviceModel::setStoredHdrInfoframe(const QByteArray &bytes)
{
    storedHdr_ = bytes.left(cmd::info::StoredHdrLength - 2);
}

void DeviceModel::setStoredAviInfoframe(const QByteArray &bytes)
{
    storedAvi_ = bytes.left(cmd::info::StoredAviLength - 2);
}

QByteArray DeviceModel::cecStored(int button) const
{
    return button == 1 || button == 2 ? cecStore_[button - 1] : QByteArray();
}

QByteArray DeviceModel::statusBlock() const
{
    QByteArray b(cmd::ReplySize, '\0');
    const SignalInfo *s = findSignal(signal_);
    if (!s || QLatin1String(s->name) == QLatin1String("none"))
        return b;
    b[2] = char(s->vic);
    b[3] = char(s->hdmi ? 0x10 : 0x00);
    b[4] = char(s->clockClass);
    b[5] = char((display_[0] ? 0x20 : 0) | (display_[1] ? 0x40 : 0));
    b[9] = char(s->hdmiVicOr3d);
    b[10] = char(s->aviDb1);
    b[11] = char(s->aviDb2);
    b[12] = char(s->aviDb3);
    b[13] = char(s->hdcp << 1);
    b[14] = char(s->vsifFormat);
    return b;
}

QByteArray DeviceModel::infoBlock(std::uint8_t index) const
{
    QByteArray b(cmd::ReplySize, '\0');
    const SignalInfo *s = findSignal(signal_);
    switch (index) {
    case cmd::info::Status:
        b = statusBlock();
        break;
    case cmd::info::Firmware:
        for (int i = 0; i < 4; ++i)
            b[2 + i] = char(firmware_[i]);
        break;
    case cmd::info::SourceInfo:
        if (s && *s->vendor) {
            b[2] = char(0x83); // source product description infoframe
            b[3] = 25;
            const QByteArray vendor = QByteArray(s->vendor).left(8);
            const QByteArray product = QByteArray(s->product).left(16);
            std::copy(vendor.begin(), vendor.end(), b.begin() + 4);
            std::copy(product.begin(), product.end(), b.begin() + 12);
        }
        break;
    case cmd::info::HdrCapture:
        if (s && *s->hdrPayload) {
            const QByteArray payload = QByteArray::fromHex(s->hdrPayload);
            b[2] = char(0x87);
            b[3] = char(payload.size());
            std::copy(payload.begin(), payload.end(), b.begin() + 4);
        }
        break;
    case cmd::info::Gating:
        b[2] = char(busy() ? 1 : 0);
        break;
    case cmd::info::StoredHdr:
        std::copy(storedHdr_.begin(), storedHdr_.end(), b.begin() + 2);
        break;
    case cmd::info::StoredAvi:
        std::copy(storedAvi_.begin(), storedAvi_.end(), b.begin() + 2);
        break;
    default:
        break;
    }
    b[0] = char(cmd::InfoBlockRead);
    return b;
}

// --- Requests ---

DeviceModel::Reply DeviceModel::handle(const std::uint8_t *data, std::size_t length)
{
    return handle(QByteArray(reinterpret_cast<const char *>(data), int(length)));
}

DeviceModel::Reply DeviceModel::handle(const QByteArray &request)
{
    Exchange e;
    e.request = request;
    e.tick = clock_.tickCount();
    if (unplugged_) {
        log_.append(e);
        return Reply{};
    }
    Reply reply = dispatch(request);
    if (request.size() >= 3)
        applyFaults(std::uint8_t(request[2]), reply);
    e.reply = reply;
    log_.append(e);
    if (unplugAfter_ > 0 && --unplugAfter_ == 0)
        unplugged_ = true;
    return reply;
}

void DeviceModel::applyFaults(std::uint8_t code, Reply &reply)
{
    for (int i = 0; i < faults_.size(); ++i) {
        Fault &f = faults_[i];
        if (f.code >= 0 && f.code != code)
            continue;
        switch (f.kind) {
        case FaultKind::NoReply:
            reply.send = false;
            break;
        case FaultKind::ShortReply:
            reply.bytes = reply.bytes.left(1);
            break;
        case FaultKind::WrongEcho:
            if (!reply.bytes.isEmpty())
                reply.bytes[0] = char(reply.bytes[0] ^ 0x5A);
            break;
        case FaultKind::LongReply:
            reply.bytes.append(
                QByteArray(std::max(0, LongReplySize - int(reply.bytes.size())), char(0xA5)));
            break;
        case FaultKind::Delay:
            reply.delayMs += f.delayMs;
            break;
        }
        if (f.count > 0 && --f.count == 0)
            faults_.removeAt(i--);
    }
}

DeviceModel::Reply DeviceModel::ack(std::uint8_t code) const
{
    Reply r;
    r.send = true;
    r.bytes = QByteArray(2, '\0');
    r.bytes[0] = char(code);
    return r;
}

DeviceModel::Reply DeviceModel::nak() const
{
    // A request the firmware cannot take: answered without the echo.
    Reply r;
    r.send = true;
    r.bytes = QByteArray(2, '\0');
    r.bytes[1] = 0x01;
    return r;
}

DeviceModel::Reply DeviceModel::readReply(std::uint8_t echo, const QByteArray &content,
                                          int length) const
{
    Reply r;
    r.send = true;
    length = std::clamp(length, 1, int(cmd::ReplySize));
    r.bytes = content.left(length);
    r.bytes.append(QByteArray(length - r.bytes.size(), '\0'));
    r.bytes[0] = char(echo);
    return r;
}

void DeviceModel::writeRegister(std::uint8_t reg, std::uint8_t value)
{
    registers_[reg] = value;
    if (reg == kFactoryResetRegister) {
        factoryReset(value);
        return;
    }
    const int byte = settingByteOfRegister(reg);
    if (byte >= 0)
        setSetting(byte, value);
}

DeviceModel::Reply DeviceModel::dispatch(const QByteArray &r)
{
    if (r.size() < 3)
        return Reply{};
    const std::uint8_t dir = std::uint8_t(r[0]);
    const std::uint8_t count = std::uint8_t(r[1]);
    const std::uint8_t code = std::uint8_t(r[2]);
    const QByteArray payload = r.mid(3);
    const bool write = dir == cmd::DirWrite;
    const bool read = dir == cmd::DirRead;

    switch (code) {
    case cmd::RegisterWrite: // also cmd::InfoBlockRead, told apart by the direction
        if (write) {
            if (count != 4 || payload.size() != 2)
                return nak();
            writeRegister(std::uint8_t(payload[0]), std::uint8_t(payload[1]));
            return ack(code);
        }
        if (read && payload.size() == 1)
            return readReply(code, infoBlock(std::uint8_t(payload[0])), count);
        return nak();
    case cmd::SettingsRead: {
        if (!read || !payload.isEmpty())
            return nak();
        QByteArray block(2, '\0');
        block[1] = char(busy() ? 0x01 : 0x00);
        block += settings();
        return readReply(code, block, count);
    }
    case cmd::SettingsBlockWrite:
        if (!write || count != SettingsCount || payload.size() != SettingsCount)
            return nak();
        setSettings(payload);
        return ack(code);
    case cmd::CecSend:
        if (!write || payload.size() != count || count == 0)
            return nak();
        cecSent_ << payload;
        return ack(code);
    case cmd::CecStore1:
    case cmd::CecStore2:
        if (!write || payload.size() != count || count < cmd::CecStorePrefix ||
            !payload.startsWith("CEC "))
            return nak();
        cecStore_[code == cmd::CecStore1 ? 0 : 1] = payload.mid(cmd::CecStorePrefix);
        return ack(code);
    case cmd::HdrInfoframeWrite:
        if (!write || payload.size() != count || count == 0 ||
            count > cmd::info::StoredHdrLength - 2)
            return nak();
        storedHdr_ = payload;
        return ack(code);
    case cmd::AviInfoframeWrite:
        if (!write || payload.size() != count || count == 0 ||
            count > cmd::info::StoredAviLength - 2)
            return nak();
        storedAvi_ = payload;
        return ack(code);
    case cmd::Activate:
        if (!write || payload.size() != 1)
            return nak();
        activations_ << std::uint8_t(payload[0]);
        return ack(code);
    case cmd::EdidFetchOwn:
    case cmd::EdidFetchTvA:
    case cmd::EdidFetchTvB: {
        if (!write || !payload.isEmpty())
            return nak();
        if (code == cmd::EdidFetchOwn) {
            buffer_ = ownEdid_;
        } else {
            const auto &display = display_[code == cmd::EdidFetchTvA ? 0 : 1];
            if (!display)
                return nak(); // no display on that output
            buffer_ = *display;
        }
        startBusy(fetchBusyMs_);
        return ack(code);
    }
    case cmd::EdidData:
        if (read && payload.size() == 1) {
            const int offset = std::uint8_t(payload[0]);
            Reply reply = readReply(0, buffer_.mid(offset), count);
            // The chunk carries no echo: byte 0 is table data too.
            reply.bytes[0] = offset < buffer_.size() ? buffer_[offset] : '\0';
            return reply;
        }
        if (write && payload.size() >= 1 && payload.size() - 1 == count) {
            const int offset = std::uint8_t(payload[0]);
            for (int i = 0; i < count && offset + i < buffer_.size(); ++i)
                buffer_[offset + i] = payload[1 + i];
            return ack(code);
        }
        return nak();
    case cmd::EdidCommit:
        if (!write || !payload.isEmpty())
            return nak();
        uploaded_ = buffer_;
        if (settings_[2] == 3 && settings_[19] == 1)
            rebuildOwnEdid();
        return ack(code);
    default:
        return Reply{}; // unknown command: the firmware ignores it
    }
}
