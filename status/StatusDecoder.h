#pragma once

#include "device/Commands.h"

#include <QString>
#include <cstddef>
#include <optional>

class CommandPrimitives;

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

namespace statusdecode
{
// Reply bytes a successful read of blocks 21, 30 and 31 is sure to hold.
constexpr std::size_t ReceivedReplyBytes = cmd::info::StatusPollLength;
// The capture dump lives in a 100-character text: "xx" plus ":xx" per further byte.
constexpr std::size_t TextBufferSize = 100;
constexpr std::size_t MaxCaptureBytes = TextBufferSize / 3; // 33 bytes take 98 characters
constexpr std::size_t CapturePayloadOffset = 4;
static_assert(ReceivedReplyBytes <= cmd::ReplySize, "the capture never reads past the reply");
} // namespace statusdecode

// The four reads of a status poll, in order, each whatever the outcome of the ones before.
StatusBlocks readStatusBlocks(CommandPrimitives &primitives);

// Nothing when the gating read failed: the header then keeps what it shows.
std::optional<StatusTexts> decodeStatus(const StatusBlocks &blocks);

QString decodeInputLine(const cmd::ReplyBuffer &status);
QString decodeOutputLine(const cmd::ReplyBuffer &status);
QString decodeColourSpaceLine(const cmd::ReplyBuffer &status);
QString decodeSourceLine(const cmd::ReplyBuffer &sourceInfo);
QString decodeHdrLine(const cmd::ReplyBuffer &hdrCapture);
QString decodeCapture(const cmd::ReplyBuffer &hdrCapture);
