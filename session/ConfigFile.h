#pragma once

#include "edid/EdidTable.h"
#include "settings/Catalog.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

// A device's configuration as a JSON file: what it holds, the check of a whole file before any
// write, and the difference between a file and a device. Pure: no device, no widgets, so a
// front end may run it on any thread.
namespace session::config
{

constexpr char FormatName[] = "korvalis-config";
constexpr int FormatVersion = 1;

// What a configuration covers, as read from a device.
struct DeviceState {
    QByteArray id;    // the identification string the device was opened with
    QString firmware; // "1.11.0.5"
    settings::SettingBytes bytes{};
    QString storedHdr; // colon hex, as the editors show it
    QString storedAvi;
    edid::Table edid{}; // the device's own table
};

// The file's document. `saved` goes out as ISO 8601 with its offset.
QJsonObject document(const DeviceState &state, const QDateTime &saved);
QByteArray fileContents(const DeviceState &state, const QDateTime &saved);

// Writes the contents atomically: an existing file is replaced only once the new one is
// complete. Empty when written, otherwise why not.
QString writeFile(const QString &path, const QByteArray &contents);

// A checked file: what it asks the device to hold. Sections a file leaves out are left as the
// device has them.
struct Plan {
    QString firmware; // the firmware the file was saved from
    struct Value {
        const settings::Setting *setting = nullptr;
        int value = 0;
    };
    std::vector<Value> settings; // catalog order, writable settings only
    std::optional<QString> storedHdr;
    std::optional<QString> storedAvi;
    std::optional<edid::Table> edid;
};

// One thing wrong with a file: its key ("settings.input", "edid", ...) and why.
struct Problem {
    QString key;
    QString reason;
};

struct Checked {
    std::optional<Plan> plan; // only when there are no problems
    std::vector<Problem> problems;
};

// Checks the whole file and collects every problem; no plan unless the file is sound.
Checked check(const QByteArray &contents);
// Reads the file (bounded) and checks it; a file that cannot be read is a problem with key "".
Checked checkFile(const QString &path);

// "key: reason" lines.
QStringList problemLines(const std::vector<Problem> &problems);

// Empty when the file's firmware is the device's; otherwise the line that says they differ.
QString firmwareMismatch(const Plan &plan, const DeviceState &device);

// One thing a load writes, in the order the load writes them.
struct Item {
    enum Kind { Setting, StoredHdr, StoredAvi, Edid } kind = Setting;
    const settings::Setting *setting = nullptr; // Setting
    int value = 0;                              // Setting
    QString text;                               // StoredHdr, StoredAvi: colon hex
    QByteArray bytes;                           // StoredHdr, StoredAvi: what is sent
    edid::Table table{};                        // Edid
    bool changes = false;                       // false: the device holds it already
    bool replaceAvi = false;                    // StoredAvi: the register the send sets after
};

// The key of an item as the file names it, and its value for a report line.
QString itemKey(const Item &item);
QString itemValue(const Item &item);

// What loading `plan` onto a device in `device`'s state writes: the settings in catalog order,
// then the infoframes, then the EDID. The EDID is an item only when the plan's settings select
// custom mode with table 1, the only state in which the device takes a table.
std::vector<Item> diff(const Plan &plan, const DeviceState &device);

} // namespace session::config
