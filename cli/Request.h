#pragma once

#include "cli/InfoframeOptions.h"
#include "cli/EdidEditCommand.h"
#include "session/DeviceSession.h"
#include "edid/EdidTable.h"
#include "edid/EdidTransfer.h"
#include "settings/Catalog.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// A command line checked against everything that needs no device: names, values, hex texts,
// files. What passes here only still needs the device.
namespace cli
{

enum class Command {
    Help,
    List,
    Status,
    Get,
    Set,
    Settings,
    EdidRead,
    EdidDecode,
    EdidWrite,
    EdidMode,
    EdidEdit,
    CecSend,
    CecStore,
    CecDecode,
    CecCommands,
    HdrSend,
    AviSend,
    HdrShow,
    HdrDecode,
    HdrPresets,
    AviShow,
    AviDecode,
    Reset,
    ConfigSave,
    ConfigLoad,
    Version,
    Completion,
    Displays
};

constexpr int MaxWaitSeconds = 24 * 3600;

struct Assignment {
    const settings::Setting *setting = nullptr;
    int value = 0;
};

struct Request {
    Command command = Command::Help;
    QByteArray deviceId = "2023"; // or where the unit is: "1-4.2", a socket file
    bool deviceGiven = false;
    bool json = false;
    bool quiet = false;
    int waitSeconds = 0; // for the device to appear
    bool watch = false;  // list: follow arrivals and departures; status: follow the signal
    int watchIntervalMs = 1000; // status --watch: how often the status is read

    std::vector<const settings::Setting *> names; // get: empty means all
    bool numbers = false;                         // get: the values as numbers
    std::vector<Assignment> assignments;          // set, edid mode: written in this order

    // edid read
    edid::Source source = edid::Source::Own;
    QString outputFile; // empty: standard output
    bool hex = false;
    bool decode = false; // the table in words (or JSON) instead of its bytes

    // edid decode: empty or "-" for standard input
    QString decodeFile;

    // edid write
    edid::Table table{};
    bool selectCustom = false;
    bool verify = false;

    EdidEditRequest edidEdit;

    // cec, hdr, avi
    QString hexText;
    session::CecButton button = session::CecButton::Sp;
    std::optional<bool> replace; // avi: nothing keeps the device's current value
    InfoframeOptions infoframe;  // hdr send, avi send: field options

    // cec send NAME: the command and its messages as colon hex, built from --to and --from
    struct CecNamed {
        QString name; // empty: cec send HEX
        QStringList arguments;
        QStringList messages;
        bool verbose = false; // print each message before it is sent
    } cec;

    int resetValue = 0;

    // config save, config load
    QString configFile;
    bool force = false; // load: a file of another firmware version
    bool dryRun = false;
};

struct Parsed {
    std::optional<Request> request;
    QString error; // usage or input error; with Help, the text to print
    QString help;  // filled for --help, --version, completion
};

// `arguments` starts with the program name. `stdoutIsTerminal` lets binary output be refused.
Parsed parseArguments(const QStringList &arguments, bool stdoutIsTerminal);

QString usageText();

// The program's version line.
QString versionText();

} // namespace cli
