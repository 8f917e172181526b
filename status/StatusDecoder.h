#pragma once

#include "device/Commands.h"
#include "status/StatusValues.h"

#include <QString>
#include <cstddef>
#include <optional>

// What one status poll read: the three described blocks (zeros where nothing came) and whether
// the gating block answered.
struct StatusBlocks {
    cmd::ReplyBuffer status{};     // info block 6
    cmd::ReplyBuffer sourceInfo{}; // info block 21
    cmd::ReplyBuffer hdrCapture{}; // info block 30
    bool gatingRead = false;       // info block 31
};

// The six header texts, in the order the window writes them.
struct StatusTexts {
    QString input;
    QString output;
    QString colourSpace;
    QString source;
    QString hdr;
    QString capture; // empty: clear the capture editor
};

// Nothing when the gating read failed: the header then keeps what it shows.
std::optional<StatusTexts> decodeStatus(const StatusBlocks &blocks);
std::optional<status::Values> decodeStatusValues(const StatusBlocks &blocks);

// The header texts of decoded values.
StatusTexts formatStatus(const status::Values &values);
QString formatInputLine(const status::Video &video, const status::Clock &clock, status::Hdcp hdcp);
QString formatOutputLine(const status::Outputs &outputs);
QString formatColourSpaceLine(const status::ColourSpace &colourSpace);
QString formatSourceLine(const status::Source &source);
QString formatHdrLine(const status::Hdr &hdr);
QString formatCapture(const status::Capture &capture); // empty: nothing captured

// One block in, one text out.

QString decodeInputLine(const cmd::ReplyBuffer &status);
QString decodeOutputLine(const cmd::ReplyBuffer &status);
QString decodeColourSpaceLine(const cmd::ReplyBuffer &status);
QString decodeSourceLine(const cmd::ReplyBuffer &sourceInfo);
QString decodeHdrLine(const cmd::ReplyBuffer &hdrCapture);
QString decodeCapture(const cmd::ReplyBuffer &hdrCapture);
