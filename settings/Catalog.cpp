#include "settings/Catalog.h"

#include "settings/EdidTableNames.h"

#include <algorithm>

namespace settings
{

namespace
{

using Names = std::array<ValueName, MaxValueNames>;

constexpr Names onOff{{{"on", 1}, {"off", 0}, {nullptr, 0}, {nullptr, 0}}};
constexpr Names yesNo{{{"yes", 1}, {"no", 0}, {nullptr, 0}, {nullptr, 0}}};

constexpr Setting choice(const char *name, Id id, int reg, int byte, Names values, PollRule poll,
                         Follow follow = Follow::Nothing)
{
    return {name, id, reg, byte, Kind::Choice, values, 0, 0, poll, follow};
}

constexpr Setting toggle(const char *name, Id id, int reg, int byte, PollRule poll,
                         Follow follow = Follow::Nothing)
{
    return {name, id, reg, byte, Kind::OnOff, onOff, 0, 0, poll, follow};
}

constexpr Setting readOnly(const char *name, Id id, int byte, int pollStep)
{
    return {
        name,           id, NoRegister, byte, Kind::ReadOnly, yesNo, 0, 0, {pollStep, Echo::None},
        Follow::Nothing};
}

// The poll steps: the combo boxes; audio source, EDID mode, HDCP, 4:2:0, auto switch with the
// priority buttons; what the device lets the user change; the EDID option boxes; the radio
// pairs and the remaining boxes.
constexpr Echo box = Echo::Toggle;
constexpr Echo combo = Echo::Index;
constexpr Echo clicks = Echo::None;

constexpr std::array<Setting, SettingCount> settingsTable = {{
    // Header
    choice("input", Id::Input, 0, 0,
           {{{"port-a", 1}, {"port-b", 2}, {"matrix-thru", 3}, {"matrix-swap", 4}}}, {0, combo}),
    toggle("auto-switch", Id::AutoSwitch, 1, 6, {8, clicks}),
    choice("priority", Id::Priority, 13, 18,
           {{{"normal", 0}, {"forced", 1}, {nullptr, 0}, {nullptr, 0}}}, {17, clicks}),
    // The window cannot choose "none" (neither button), but the device holds and shows it.
    choice("audio-source", Id::AudioSource, 2, 1,
           {{{"hdmi", 1}, {"none", 2}, {"jack", 3}, {nullptr, 0}}}, {4, clicks}),
    choice("hdcp", Id::Hdcp, 3, 3, {{{"none", 1}, {"1.4", 2}, {"2.2", 3}, {nullptr, 0}}},
           {6, clicks}),
    // EDID MANAGER
    choice("edid-mode", Id::EdidMode, 5, 2,
           {{{"automix", 1}, {"fixed", 2}, {"custom", 3}, {nullptr, 0}}}, {5, clicks},
           Follow::WaitWhileBusy),
    {"edid-table",
     Id::EdidTable,
     14,
     19,
     Kind::Range,
     {},
     1,
     edid::TableCount,
     {1, combo},
     Follow::Nothing},
    toggle("2.0-stereo", Id::Stereo20, 8, 13, {12, box}),
    toggle("5.1-multi", Id::Multi51, 9, 14, {13, box}),
    toggle("full-audio", Id::FullAudio, 12, 17, {14, box}),
    toggle("allow-ycbcr", Id::AllowYcbcr, 26, 29, {28, box}),
    toggle("bt.2020", Id::Bt2020, 24, 28, {29, box}),
    toggle("hdr-packet", Id::HdrPacket, 11, 16, {16, box}),
    toggle("3d-remove", Id::Remove3d, 10, 15, {15, box}),
    // CEC
    toggle("cec", Id::Cec, 27, 5, {27, box}),
    choice("cec-device-type", Id::CecDeviceType, 28, 30,
           {{{"video-processor", 0}, {"audio-system", 1}, {nullptr, 0}, {nullptr, 0}}}, {2, combo}),
    // HDR/IF
    toggle("force-hdr", Id::ForceHdr, 17, 22, {24, box}, Follow::HdrInfoframeFirst),
    choice("hdr-mode", Id::HdrMode, 19, 24,
           {{{"full", 0}, {"samsung", 1}, {nullptr, 0}, {nullptr, 0}}}, {23, clicks}),
    // Its box reacts to clicks only.
    toggle("replace-avi", Id::ReplaceAvi, 33, 33, {31, clicks}, Follow::AviInfoframeFirst),
    // CONFIG
    toggle("green-led", Id::GreenLed, 22, 26, {25, clicks}),
    toggle("blue-leds", Id::BlueLeds, 23, 27, {26, clicks}),
    toggle("hdr-hotkey", Id::HdrHotkey, 16, 21, {18, clicks}),
    toggle("420-output", Id::Output420, 4, 4, {7, clicks}),
    choice("automix-algo", Id::AutomixAlgo, 32, 32,
           {{{"min-mixed", 0},
             {"max-audio-min-video", 1},
             {"top-priority", 2},
             {"max-audio-max-video", 3}}},
           {3, combo}),
    // Stored inverted: the device byte is 1 when the mode is off.
    {"tx-htpc-mode",
     Id::TxHtpcMode,
     37,
     35,
     Kind::OnOff,
     Names{{{"on", 0}, {"off", 1}, {nullptr, 0}, {nullptr, 0}}},
     0,
     0,
     {19, clicks},
     Follow::Nothing},
    toggle("avr-audio", Id::AvrAudio, 29, 31, {30, clicks}),
    // SPLIT
    toggle("split-screen", Id::SplitScreen, 38, 36, {22, box}),
    choice("split-feature", Id::SplitFeature, 40, 38,
           {{{"receiver", 0}, {"sender", 1}, {nullptr, 0}, {nullptr, 0}}}, {21, clicks}),
    choice("split-style", Id::SplitStyle, 39, 37,
           {{{"left-right", 0}, {"even-odd", 1}, {nullptr, 0}, {nullptr, 0}}}, {20, clicks}),
    // What the device lets the user change
    readOnly("edid-available", Id::EdidAvailable, 9, 11),
    readOnly("hdcp-available", Id::HdcpAvailable, 10, 10),
    readOnly("audio-available", Id::AudioAvailable, 11, 9),
}};

bool isNumber(const QString &text)
{
    QStringView digits = text;
    if (!digits.isEmpty() && (digits.front() == u'-' || digits.front() == u'+'))
        digits = digits.mid(1);
    return !digits.isEmpty() &&
           std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
}

bool sameName(const char *name, QAnyStringView text)
{
    return name != nullptr &&
           QAnyStringView::compare(QLatin1String(name), text, Qt::CaseInsensitive) == 0;
}

} // namespace

const std::array<Setting, SettingCount> &catalog()
{
    return settingsTable;
}

const Setting *findSetting(QAnyStringView name)
{
    for (const Setting &s : settingsTable)
        if (sameName(s.name, name))
            return &s;
    return nullptr;
}

const Setting *settingOf(Id id)
{
    for (const Setting &s : settingsTable)
        if (s.id == id)
            return &s;
    return nullptr;
}

const Setting &setting(Id id)
{
    const Setting *s = settingOf(id);
    Q_ASSERT(s != nullptr);
    return *s;
}

const std::array<const Setting *, SettingCount> &pollOrder()
{
    static const std::array<const Setting *, SettingCount> order = [] {
        std::array<const Setting *, SettingCount> o{};
        for (const Setting &s : settingsTable) {
            Q_ASSERT(s.poll.step >= 0 && std::size_t(s.poll.step) < SettingCount);
            Q_ASSERT(o[std::size_t(s.poll.step)] == nullptr); // one setting per step
            o[std::size_t(s.poll.step)] = &s;
        }
        return o;
    }();
    return order;
}

bool storesCopy(const Setting &setting)
{
    return setting.poll.echo != Echo::Index && setting.byte >= 0 &&
           setting.byte < cmd::SettingsBytes;
}

bool accepts(const Setting &setting, int value)
{
    switch (setting.kind) {
    case Kind::ReadOnly:
        return false;
    case Kind::Range:
        return value >= setting.minimum && value <= setting.maximum;
    case Kind::Choice:
    case Kind::OnOff:
        return valueName(setting, value) != nullptr;
    }
    return false;
}

const char *valueName(const Setting &setting, int value)
{
    for (const ValueName &v : setting.values)
        if (v.name != nullptr && v.value == value)
            return v.name;
    return nullptr;
}

std::optional<int> namedValue(const Setting &setting, QAnyStringView name)
{
    for (const ValueName &v : setting.values)
        if (sameName(v.name, name))
            return v.value;
    return std::nullopt;
}

ParsedValue parseValue(const Setting &setting, QAnyStringView typed)
{
    if (setting.kind == Kind::ReadOnly)
        return {ParsedValue::ReadOnly};
    if (const std::optional<int> named = namedValue(setting, typed))
        return {ParsedValue::None, *named};
    const QString text = typed.toString();
    if (!isNumber(text))
        return {ParsedValue::Unknown};
    bool ok = false;
    const int number = text.toInt(&ok); // fails on overflow: out of range all the same
    if (!ok || !accepts(setting, number))
        return {ParsedValue::OutOfRange};
    return {ParsedValue::None, number};
}

CurrentValue currentValue(const Setting &setting, const SettingBytes &bytes)
{
    if (setting.byte < 0 || setting.byte >= cmd::SettingsBytes)
        return {};
    const int raw = bytes[std::size_t(setting.byte)];
    return {raw, valueName(setting, raw)};
}

QString formatValue(const Setting &setting, const SettingBytes &bytes)
{
    const CurrentValue v = currentValue(setting, bytes);
    return v.name != nullptr ? QString::fromLatin1(v.name) : QString::number(v.raw);
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Choice:
        return QStringLiteral("choice");
    case Kind::OnOff:
        return QStringLiteral("on/off");
    case Kind::Range:
        return QStringLiteral("range");
    case Kind::ReadOnly:
        return QStringLiteral("read-only");
    }
    return QString();
}

QString allowedValues(const Setting &setting)
{
    if (setting.kind == Kind::Range)
        return QStringLiteral("%1..%2").arg(setting.minimum).arg(setting.maximum);
    QStringList names;
    for (const ValueName &v : setting.values)
        if (v.name != nullptr)
            names << QString::fromLatin1(v.name);
    return names.join(u'|');
}

namespace
{

// "port-a=1|port-b=2": the names with the numbers that stand for them.
QString allowedWithNumbers(const Setting &setting)
{
    if (setting.kind == Kind::Range)
        return allowedValues(setting);
    QStringList names;
    for (const ValueName &v : setting.values)
        if (v.name != nullptr)
            names << QStringLiteral("%1=%2").arg(QLatin1String(v.name)).arg(v.value);
    return names.join(u'|');
}

QString valueWithNumber(const Setting &setting, const SettingBytes &bytes)
{
    const CurrentValue v = currentValue(setting, bytes);
    return v.name != nullptr ? QStringLiteral("%1=%2").arg(QLatin1String(v.name)).arg(v.raw)
                             : QString::number(v.raw);
}

} // namespace

QStringList listing(const SettingBytes &bytes)
{
    qsizetype nameWidth = 0, kindWidth = 0, allowedWidth = 0;
    for (const Setting &s : settingsTable) {
        nameWidth = std::max(nameWidth, qsizetype(qstrlen(s.name)));
        kindWidth = std::max(kindWidth, kindName(s.kind).size());
        allowedWidth = std::max(allowedWidth, allowedWithNumbers(s).size());
    }
    // One long list of values (the automix algorithms) does not widen every line.
    allowedWidth = std::min<qsizetype>(allowedWidth, 46);
    QStringList lines;
    for (const Setting &s : settingsTable)
        lines << QStringLiteral("%1  %2  %3  %4")
                     .arg(QString::fromLatin1(s.name), -int(nameWidth))
                     .arg(kindName(s.kind), -int(kindWidth))
                     .arg(allowedWithNumbers(s), -int(allowedWidth))
                     .arg(valueWithNumber(s, bytes));
    return lines;
}

std::optional<cmd::Request> writeRequest(const Setting &setting, int value)
{
    if (setting.reg == NoRegister || !accepts(setting, value))
        return std::nullopt;
    return cmd::registerWrite(std::uint8_t(setting.reg), std::uint8_t(value));
}

} // namespace settings
