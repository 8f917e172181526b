#pragma once

#include "device/DeviceWatcher.h"
#include "session/DeviceList.h"
#include "settings/Catalog.h"
#include "status/StatusDecoder.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <vector>

// What korvalis-cli prints: plain lines for people and the JSON documents for scripts.
namespace cli
{

// A setting's current value: its name as a string, or the number when the byte has no name.
QJsonValue jsonValue(const settings::Setting &setting, const settings::SettingBytes &bytes);

// "NAME VALUE" per setting, and the object of the same; with `numbers`, every value as its
// number, as set takes it.
QStringList valueLines(const std::vector<const settings::Setting *> &which,
                       const settings::SettingBytes &bytes, bool numbers = false);
QJsonObject valueObject(const std::vector<const settings::Setting *> &which,
                        const settings::SettingBytes &bytes, bool numbers = false);
std::vector<const settings::Setting *> allSettings();

// The catalog with the current values.
QJsonObject catalogDocument(const settings::SettingBytes &bytes);

QStringList deviceLines(const std::vector<session::ListedDevice> &devices);
QJsonObject deviceDocument(const std::vector<session::ListedDevice> &devices);

// list --watch: one line, or one object, per device present at the start ("present") and per
// arrival and departure.
QString watchLine(const QString &time, const QString &what, const WatchedDevice &device);
QJsonObject watchObject(const QString &time, const QString &what, const WatchedDevice &device);

QStringList statusLines(const QString &firmware, const StatusTexts &texts,
                        const settings::SettingBytes &bytes);
QJsonObject statusDocument(const QString &firmware, const status::Values &values,
                           const StatusTexts &texts, const settings::SettingBytes &bytes);

} // namespace cli
