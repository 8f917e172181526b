#pragma once

#include "cli/Cli.h"

#include "ModelLink.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>

// korvalis-cli run in-process: its standard streams are buffers, emptied before each run.
struct CliStreams {
    QBuffer out, err, in;
    // `adjust` may give the backend a watcher or an interrupt flag.
    int run(UsbApi &usb, Clock &clock, Alerts &alerts, const QStringList &args,
            bool outTerminal = false, bool errTerminal = false,
            const std::function<void(cli::Backend &)> &adjust = {})
    {
        for (QBuffer *b : {&out, &err}) {
            b->close();
            b->setData(QByteArray());
            b->open(QIODevice::WriteOnly);
        }
        in.open(QIODevice::ReadOnly);
        const auto locate = [](std::uint32_t, const QString &) { return QStringLiteral("model"); };
        cli::Backend backend{usb, clock, alerts, locate};
        if (adjust)
            adjust(backend);
        return cli::run(QStringList{"korvalis-cli"} + args, backend,
                        cli::Streams{out, err, outTerminal, errTerminal, &in});
    }
    QString stdoutText() const { return QString::fromUtf8(out.data()); }
    QString stderrText() const { return QString::fromUtf8(err.data()); }
    // Standard output as one JSON object; empty when it is anything else.
    QJsonObject json() const
    {
        QJsonParseError e{};
        const QJsonDocument doc = QJsonDocument::fromJson(out.data(), &e);
        return e.error == QJsonParseError::NoError ? doc.object() : QJsonObject();
    }
};

// The same against the in-process device model, ready at once.
struct CliRig : ModelLink, CliStreams {
    CliRig() { model.setBusy(false); }
    int run(const QStringList &args, bool outTerminal = false, bool errTerminal = false,
            const std::function<void(cli::Backend &)> &adjust = {})
    {
        return CliStreams::run(usb, clock, alerts, args, outTerminal, errTerminal, adjust);
    }
};
