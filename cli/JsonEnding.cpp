#include "cli/JsonEnding.h"

#include "cli/CommandHelp.h"
#include "edid/EdidTable.h"

#include <QJsonDocument>

namespace cli
{
namespace
{

constexpr qsizetype MaxErrorText = 4096;
const QByteArray kErrorPrefix = QByteArrayLiteral("korvalis-cli: ");

// Whether --json stands among the options (also where the parser gave up).
bool jsonAsked(const QStringList &arguments)
{
    for (const QString &a : arguments.mid(1)) {
        if (a == "--")
            break;
        if (a == "--json" || a == "-json")
            return true;
    }
    return false;
}

QString keyOf(Command command)
{
    for (const CommandInfo &c : commandTable())
        if (c.command == command)
            return commandWords(c);
    return QString();
}

QJsonValue valueOf(const Assignment &a)
{
    const char *name = settings::valueName(*a.setting, a.value);
    return name != nullptr ? QJsonValue(QLatin1String(name)) : QJsonValue(a.value);
}

} // namespace

// Passes standard error through and keeps the error line (and the lines that continue it)
// for the JSON document. Progress (lines rewritten with \r) is no error.
class JsonEnding::ErrorTee : public QIODevice
{
public:
    explicit ErrorTee(QIODevice &to) : to_(to)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    QString text() const { return QString::fromUtf8(text_).trimmed(); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        const QByteArray chunk = QByteArray::fromRawData(data, qsizetype(size));
        if (chunk.startsWith(kErrorPrefix))
            text_ = chunk.mid(kErrorPrefix.size()).left(MaxErrorText);
        else if (!text_.isEmpty() && !chunk.startsWith('\r'))
            text_ += chunk.left(MaxErrorText - text_.size());
        return to_.write(data, size);
    }

private:
    QIODevice &to_;
    QByteArray text_;
};

JsonEnding::JsonEnding(const QStringList &arguments, const Parsed &parsed, const Streams &streams)
    : original_(streams)
{
    if (parsed.request)
        request_ = &*parsed.request;
    json_ = request_ != nullptr ? request_->json || jsonAsked(arguments) : jsonAsked(arguments);
    if (!json_) {
        streams_ = std::make_unique<Streams>(streams);
        return;
    }
    buffered_ = request_ == nullptr || !request_->watch;
    err_ = std::make_unique<ErrorTee>(streams.err);
    out_.open(QIODevice::WriteOnly);
    streams_ = std::make_unique<Streams>(Streams{buffered_ ? out_ : streams.out, *err_,
                                                 streams.outIsTerminal, streams.errIsTerminal,
                                                 streams.in});
}

JsonEnding::~JsonEnding() = default;

int JsonEnding::finish(int exitStatus)
{
    if (!json_ || (!buffered_ && exitStatus == exitcode::Ok)) // the watch wrote its lines
        return exitStatus;
    const QByteArray written = buffered_ ? out_.data() : QByteArray();
    QJsonParseError parseError{};
    const QJsonDocument own = QJsonDocument::fromJson(written, &parseError);
    const bool isJson = !written.isEmpty() && parseError.error == QJsonParseError::NoError;
    if (exitStatus == exitcode::Ok && isJson) {
        original_.out.write(written);
        return exitStatus;
    }
    QJsonObject doc = own.isObject() ? own.object() : QJsonObject();
    if (!written.isEmpty() && !isJson) // a command's text, such as a help
        doc["text"] = QString::fromUtf8(written);
    if (exitStatus == exitcode::Ok) {
        if (request_ != nullptr) {
            const QJsonObject done = doneObject(*request_);
            for (auto it = done.constBegin(); it != done.constEnd(); ++it)
                doc.insert(it.key(), it.value());
        }
        doc["ok"] = true;
    } else {
        const QString error = err_->text();
        doc["ok"] = false;
        doc["exit_status"] = exitStatus;
        doc["error"] = error.isEmpty() ? QStringLiteral("exit status %1").arg(exitStatus) : error;
    }
    original_.out.write(QJsonDocument(doc).toJson(QJsonDocument::Indented));
    return exitStatus;
}

QJsonObject doneObject(const Request &r)
{
    QJsonObject done{{"ok", true}};
    if (const QString key = keyOf(r.command); !key.isEmpty()) // --version has none
        done["command"] = key;
    switch (r.command) {
    case Command::Set:
    case Command::EdidMode: {
        QJsonObject set;
        for (const Assignment &a : r.assignments)
            set[QLatin1String(a.setting->name)] = valueOf(a);
        done["set"] = set;
        break;
    }
    case Command::EdidWrite:
        done["bytes"] = edid::TableSize;
        done["consistent"] = edid::isConsistent(r.table);
        done["verified"] = r.verify;
        break;
    case Command::EdidRead: {
        static const char *const sources[] = {"own", "tv-a", "tv-b"};
        done["source"] = QLatin1String(sources[int(r.source)]);
        done["file"] = r.outputFile;
        done["format"] = r.hex ? QStringLiteral("hex") : QStringLiteral("raw");
        break;
    }
    case Command::CecSend:
    case Command::HdrSend:
    case Command::AviSend:
        done["sent"] = r.hexText;
        if (r.replace)
            done["replace"] = *r.replace ? QStringLiteral("on") : QStringLiteral("off");
        break;
    case Command::CecStore:
        done["stored"] = r.hexText;
        done["button"] = r.button == session::CecButton::Sp ? QStringLiteral("sp")
                                                             : QStringLiteral("lp");
        break;
    case Command::Reset:
        done["reset"] = r.resetValue == settings::reset::Settings ? QStringLiteral("settings")
                        : r.resetValue == settings::reset::Edid   ? QStringLiteral("edid")
                                                                  : QStringLiteral("all");
        break;
    default:
        break;
    }
    return done;
}

} // namespace cli
