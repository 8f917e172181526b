#pragma once

#include "cli/Cli.h"
#include "cli/Request.h"

#include <QBuffer>
#include <QJsonObject>
#include <memory>

// With --json, every run of korvalis-cli ends as one JSON document on standard output: the
// command's own document, {"ok": true, ...} for a command that only acts, and for any failure
// {"ok": false, "exit_status": N, "error": "..."} besides the line on standard error. Done
// here, where the run ends, so that no command needs code of its own for it.
namespace cli
{

class JsonEnding
{
public:
    JsonEnding(const QStringList &arguments, const Parsed &parsed, const Streams &streams);
    ~JsonEnding();
    JsonEnding(const JsonEnding &) = delete;
    JsonEnding &operator=(const JsonEnding &) = delete;

    // Where the command writes: the caller's streams, or stand-ins that keep what --json needs.
    const Streams &streams() const { return *streams_; }
    // Writes the document and returns `exitStatus`.
    int finish(int exitStatus);

private:
    class ErrorTee;

    const Streams &original_;
    const Request *request_ = nullptr;
    bool json_ = false;
    bool buffered_ = false; // list --watch writes as it goes
    QBuffer out_;
    std::unique_ptr<ErrorTee> err_;
    std::unique_ptr<Streams> streams_;
};

// What a command that prints nothing did, for {"ok": true, ...}.
QJsonObject doneObject(const Request &r);

} // namespace cli
