#include "session/ConfigFile.h"

#include "cec_infoframes/EntryCheck.h"
#include "edid/EdidMode.h"
#include "edid/EdidText.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace session::config
{
namespace
{

// Far above any real file (about 5 kB); a bigger one is no configuration.
constexpr qint64 MaxFileSize = 256 * 1024;

QJsonValue settingValue(const settings::Setting &s, const settings::SettingBytes &bytes)
{
    const settings::CurrentValue v = settings::currentValue(s, bytes);
    if (v.name != nullptr)
        return QString::fromLatin1(v.name);
    return v.raw;
}

QString settingKey(const settings::Setting &s)
{
    return QStringLiteral("settings.") + QLatin1String(s.name);
}

// A value the file gives a setting: a value name, or a number the setting takes. A read-only
// setting is only checked to be something the device could report.
std::optional<int> readValue(const settings::Setting &s, const QJsonValue &v, QString &why)
{
    if (v.isString()) {
        const QString text = v.toString();
        if (s.kind == settings::Kind::ReadOnly) {
            if (const std::optional<int> named = settings::namedValue(s, text))
                return named;
            why = QStringLiteral("'%1' is not a value of %2 (%3)")
                      .arg(text, QLatin1String(s.name), settings::allowedValues(s));
            return std::nullopt;
        }
        const settings::ParsedValue parsed = settings::parseValue(s, text);
        if (parsed.error == settings::ParsedValue::None)
            return parsed.value;
        why = parsed.error == settings::ParsedValue::OutOfRange
                  ? QStringLiteral("%1 is out of range (%2)").arg(text, settings::allowedValues(s))
                  : QStringLiteral("'%1' is not a value of %2 (%3)")
                        .arg(text, QLatin1String(s.name), settings::allowedValues(s));
        return std::nullopt;
    }
    if (v.isDouble()) {
        const double d = v.toDouble();
        // In range before the conversion: a huge or NaN number has no int.
        const bool inRange = d >= -1e9 && d <= 1e9;
        const int n = inRange ? int(d) : 0;
        const bool whole = inRange && double(n) == d;
        const bool fits = s.kind == settings::Kind::ReadOnly ? whole && n >= 0 && n <= 0xFF
                                                             : whole && settings::accepts(s, n);
        if (fits)
            return n;
        why = QStringLiteral("%1 is out of range (%2)")
                  .arg(v.toVariant().toString(), settings::allowedValues(s));
        return std::nullopt;
    }
    why = QStringLiteral("must be a value name or a number (%1)").arg(settings::allowedValues(s));
    return std::nullopt;
}

std::optional<edid::Table> readEdid(const QJsonValue &v, QString &why)
{
    if (!v.isArray() || v.toArray().size() != edid::TableSize / edid::BytesPerLine) {
        why = QStringLiteral("must be %1 lines of hex").arg(edid::TableSize / edid::BytesPerLine);
        return std::nullopt;
    }
    QString text;
    for (const QJsonValue &line : v.toArray()) {
        if (!line.isString() || line.toString().size() != edid::BytesPerLine * 3 - 1) {
            why = QStringLiteral("every line must be %1 hex pairs joined by spaces")
                      .arg(edid::BytesPerLine);
            return std::nullopt;
        }
        text += line.toString() + u'\n';
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool digit =
            (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (i % 3 == 2 ? !(c == u' ' || c == u'\n') : !digit) {
            why = QStringLiteral("'%1' at line %2 is not a hex pair")
                      .arg(text.mid(i - i % 3, 2).trimmed())
                      .arg(i / (edid::BytesPerLine * 3) + 1);
            return std::nullopt;
        }
    }
    const edid::TextCheck checked = edid::checkEdidText(text.toUpper());
    if (checked.kind != edid::TextCheck::Consistent) {
        why = checked.kind == edid::TextCheck::FormatError
                  ? QStringLiteral("Hex Format Error")
                  : QStringLiteral("the checksum of a block is not correct");
        return std::nullopt;
    }
    return checked.table;
}

std::optional<QString> readInfoframe(const QJsonValue &v, const colonhex::EntryLimits &limits,
                                     QString &why)
{
    if (!v.isString()) {
        why = QStringLiteral("must be colon hex text");
        return std::nullopt;
    }
    why = colonhex::checkEntry(v.toString(), limits);
    if (!why.isEmpty())
        return std::nullopt;
    return v.toString().toLower();
}

} // namespace

QJsonObject document(const DeviceState &state, const QDateTime &saved)
{
    QJsonObject values;
    for (const settings::Setting &s : settings::catalog())
        values[QLatin1String(s.name)] = settingValue(s, state.bytes);
    QJsonArray edidLines;
    for (const QString &line : edid::edidTableText(state.edid).split(u'\n', Qt::SkipEmptyParts))
        edidLines.append(line);
    return QJsonObject{
        {"format", QLatin1String(FormatName)},
        {"format_version", FormatVersion},
        {"saved", saved.toString(Qt::ISODate)},
        {"device",
         QJsonObject{{"id", QString::fromLatin1(state.id)}, {"firmware", state.firmware}}},
        {"settings", values},
        {"stored_hdr", state.storedHdr},
        {"stored_avi", state.storedAvi},
        {"edid", edidLines},
    };
}

QByteArray fileContents(const DeviceState &state, const QDateTime &saved)
{
    return QJsonDocument(document(state, saved)).toJson(QJsonDocument::Indented);
}

QString writeFile(const QString &path, const QByteArray &contents)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(contents) != contents.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}

Checked check(const QByteArray &contents)
{
    Checked out;
    const auto problem = [&out](const QString &key, const QString &reason) {
        out.problems.push_back({key, reason});
    };
    // Said as it is: "illegal value at offset 0" would hide that nothing is there.
    if (contents.trimmed().isEmpty()) {
        problem(QString(), QStringLiteral("the file is empty"));
        return out;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(contents, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        problem(QString(), error.error != QJsonParseError::NoError
                               ? QStringLiteral("not JSON: %1 at offset %2")
                                     .arg(error.errorString())
                                     .arg(error.offset)
                               : QStringLiteral("not a JSON object"));
        return out;
    }
    const QJsonObject root = doc.object();
    if (root.value("format").toString() != QLatin1String(FormatName)) {
        problem(QStringLiteral("format"), QStringLiteral("not a %1 file").arg(FormatName));
        return out; // another format's keys say nothing
    }
    const QJsonValue version = root.value("format_version");
    if (!version.isDouble() || version.toDouble() != double(version.toInt()) ||
        version.toInt() < 1) {
        problem(QStringLiteral("format_version"), QStringLiteral("must be a whole number"));
        return out;
    }
    if (version.toInt() > FormatVersion) {
        problem(QStringLiteral("format_version"),
                QStringLiteral("version %1 is newer than this program reads (%2)")
                    .arg(version.toInt())
                    .arg(FormatVersion));
        return out;
    }

    static const QStringList known{"format",   "format_version", "saved",      "device",
                                   "settings", "stored_hdr",     "stored_avi", "edid"};
    for (const QString &key : root.keys())
        if (!known.contains(key))
            problem(key, QStringLiteral("unknown key"));

    Plan plan;
    const QJsonValue device = root.value("device");
    plan.firmware = device.toObject().value("firmware").toString();
    if (!device.isObject() || plan.firmware.isEmpty())
        problem(QStringLiteral("device.firmware"), QStringLiteral("missing"));

    const QJsonValue settingsValue = root.value("settings");
    if (!settingsValue.isUndefined() && !settingsValue.isObject())
        problem(QStringLiteral("settings"), QStringLiteral("must be an object"));
    const QJsonObject values = settingsValue.toObject();
    for (const QString &name : values.keys())
        if (settings::findSetting(name) == nullptr)
            problem(QStringLiteral("settings.") + name, QStringLiteral("unknown setting"));
    for (const settings::Setting &s : settings::catalog()) {
        const QJsonValue v = values.value(QLatin1String(s.name));
        if (v.isUndefined())
            continue;
        QString why;
        const std::optional<int> value = readValue(s, v, why);
        if (!value)
            problem(settingKey(s), why);
        else if (s.kind != settings::Kind::ReadOnly)
            plan.settings.push_back({&s, *value});
    }

    QString why;
    if (root.contains("stored_hdr")) {
        plan.storedHdr = readInfoframe(root.value("stored_hdr"), colonhex::HdrLimits, why);
        if (!plan.storedHdr)
            problem(QStringLiteral("stored_hdr"), why);
    }
    if (root.contains("stored_avi")) {
        plan.storedAvi = readInfoframe(root.value("stored_avi"), colonhex::AviLimits, why);
        if (!plan.storedAvi)
            problem(QStringLiteral("stored_avi"), why);
    }
    if (root.contains("edid")) {
        plan.edid = readEdid(root.value("edid"), why);
        if (!plan.edid)
            problem(QStringLiteral("edid"), why);
    }
    if (out.problems.empty())
        out.plan = plan;
    return out;
}

Checked checkFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt,
                {{QString(), QStringLiteral("cannot read %1: %2").arg(path, file.errorString())}}};
    const QByteArray contents = file.read(MaxFileSize + 1);
    if (contents.size() > MaxFileSize)
        return {std::nullopt,
                {{QString(), QStringLiteral("%1 is larger than %2 bytes: no configuration")
                                 .arg(path)
                                 .arg(MaxFileSize)}}};
    return check(contents);
}

QStringList problemLines(const std::vector<Problem> &problems)
{
    QStringList lines;
    for (const Problem &p : problems)
        lines << (p.key.isEmpty() ? p.reason : p.key + QStringLiteral(": ") + p.reason);
    return lines;
}

QString firmwareMismatch(const Plan &plan, const DeviceState &device)
{
    if (plan.firmware == device.firmware)
        return QString();
    return QStringLiteral("the file was saved from firmware %1, the device has %2")
        .arg(plan.firmware, device.firmware);
}

QString itemKey(const Item &item)
{
    switch (item.kind) {
    case Item::Setting:
        return QLatin1String(item.setting->name);
    case Item::StoredHdr:
        return QStringLiteral("stored_hdr");
    case Item::StoredAvi:
        return QStringLiteral("stored_avi");
    case Item::Edid:
        return QStringLiteral("edid");
    }
    return QString();
}

QString itemValue(const Item &item)
{
    switch (item.kind) {
    case Item::Setting: {
        const char *name = settings::valueName(*item.setting, item.value);
        return name != nullptr ? QString::fromLatin1(name) : QString::number(item.value);
    }
    case Item::StoredHdr:
    case Item::StoredAvi:
        return item.text;
    case Item::Edid:
        return QStringLiteral("256 bytes");
    }
    return QString();
}

std::vector<Item> diff(const Plan &plan, const DeviceState &device)
{
    std::vector<Item> items;
    // The device's bytes as they will be once the settings are written.
    settings::SettingBytes after = device.bytes;
    for (const Plan::Value &v : plan.settings) {
        Item item;
        item.setting = v.setting;
        item.value = v.value;
        item.changes = settings::currentValue(*v.setting, device.bytes).raw != v.value;
        items.push_back(item);
        after[std::size_t(v.setting->byte)] = std::uint8_t(v.value);
    }
    const auto valueAfter = [&after](settings::Id id) {
        return settings::currentValue(settings::setting(id), after).raw;
    };
    if (plan.storedHdr) {
        Item item;
        item.kind = Item::StoredHdr;
        item.text = *plan.storedHdr;
        item.bytes = QByteArray::fromHex(item.text.toLatin1()); // checked colon hex
        item.changes = item.text.compare(device.storedHdr, Qt::CaseInsensitive) != 0;
        items.push_back(item);
    }
    if (plan.storedAvi) {
        Item item;
        item.kind = Item::StoredAvi;
        item.text = *plan.storedAvi;
        item.bytes = QByteArray::fromHex(item.text.toLatin1());
        item.replaceAvi = valueAfter(settings::Id::ReplaceAvi) == 1;
        item.changes = item.text.compare(device.storedAvi, Qt::CaseInsensitive) != 0;
        items.push_back(item);
    }
    if (plan.edid && edid::uploadAllowed(valueAfter(settings::Id::EdidMode),
                                         valueAfter(settings::Id::EdidTable))) {
        Item item;
        item.kind = Item::Edid;
        item.table = *plan.edid;
        item.changes = item.table != device.edid;
        items.push_back(item);
    }
    return items;
}

} // namespace session::config
