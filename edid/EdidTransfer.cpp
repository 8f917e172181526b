#include "edid/EdidTransfer.h"

#include "device/Clock.h"
#include "device/CommandPrimitives.h"
#include "device/DeviceLink.h"
#include "device/StatusSink.h"

#include <QCoreApplication>
#include <algorithm>

namespace edid
{
namespace
{

QString tr(const char *source)
{
    return QCoreApplication::translate("MainWindow", source);
}

std::uint8_t fetchCode(Source source)
{
    switch (source) {
    case Source::DisplayA:
        return cmd::EdidFetchTvA;
    case Source::DisplayB:
        return cmd::EdidFetchTvB;
    case Source::Own:
        break;
    }
    return cmd::EdidFetchOwn;
}

QString doneMessage(Source source)
{
    return source == Source::Own ? tr("EDID values read.") : tr("TV EDID values read.");
}

void report(const Progress &progress, int value, int maximum)
{
    if (progress)
        progress(value, maximum);
}

// A chunk read has no echo, so success needs the full chunk to have arrived: with no device
// open, or a device silent until the deadline, transact still reports success.
bool readChunk(CommandPrimitives &primitives, int offset, std::uint8_t *into)
{
    cmd::ReplyBuffer reply;
    if (!primitives.exchange(cmd::edidDataRead(std::uint8_t(offset)), reply))
        return false;
    const DeviceLink::ExchangeInfo &seen = primitives.link().lastExchange();
    if (!seen.replied || seen.bytesReceived < std::uint32_t(cmd::EdidReadChunk))
        return false;
    std::copy_n(reply.begin(), cmd::EdidReadChunk, into);
    return true;
}

} // namespace

ReadOutcome readEdidTable(CommandPrimitives &primitives, Source source, const Progress &progress)
{
    ReadOutcome out;
    Clock &clock = primitives.link().clock();
    cmd::ReplyBuffer reply;
    if (!primitives.exchange(cmd::edidFetch(fetchCode(source)), reply)) {
        // The buffer still holds whatever was fetched before: reading it would show the wrong
        // table as a success.
        out.result = ReadOutcome::FetchFailed;
        out.message = {tr("Error Writing values"), StatusTime::DeviceFailure};
        report(progress, 0, 0);
        return out;
    }
    clock.sleep(FetchPauseMs);

    // A failed settings read brings no busy bit and ends the wait.
    while (out.busyChecks < MaxBusyChecks) {
        cmd::ReplyBuffer block;
        const bool read = primitives.readSettings(block, cmd::SettingsReplyLength) != 0;
        ++out.busyChecks;
        clock.sleep(BusyPollPauseMs);
        if (!read || !cmd::deviceBusy(block))
            break;
    }

    for (int chunk = 0; chunk < ReadChunks; ++chunk) {
        const int offset = chunk * cmd::EdidReadChunk;
        report(progress, offset, TableSize - 1);
        if (!readChunk(primitives, offset, out.table.data() + offset)) {
            out.result = ReadOutcome::ChunkFailed;
            report(progress, 0, 0);
            return out;
        }
        ++out.chunksRead;
    }
    report(progress, 0, 0);
    out.result = ReadOutcome::Read;
    out.message = {doneMessage(source), StatusTime::Result};
    return out;
}

WriteOutcome writeEdidTable(CommandPrimitives &primitives, const Table &table,
                            const Progress &progress, const StopRequested &stop)
{
    WriteOutcome out;
    Clock &clock = primitives.link().clock();
    cmd::ReplyBuffer reply;
    for (int chunk = 0; chunk < WriteChunks; ++chunk) {
        if (stop && stop()) {
            out.result = WriteOutcome::Stopped;
            report(progress, 0, 0);
            return out;
        }
        const int offset = chunk * cmd::EdidWriteChunk;
        report(progress, chunk, WriteChunks);
        if (!primitives.exchange(cmd::edidDataWrite(std::uint8_t(offset), table.data() + offset),
                                 reply)) {
            out.result = WriteOutcome::ChunkFailed;
            out.message = {tr("Error Writing EDID values."), StatusTime::DeviceFailure};
            report(progress, 0, 0);
            return out;
        }
        ++out.chunksWritten;
        clock.sleep(WriteChunkPauseMs);
    }
    if (primitives.exchange(cmd::edidCommit(), reply)) {
        out.result = WriteOutcome::Written;
        out.message = {tr("EDID values written..."), StatusTime::Result};
    } else {
        out.result = WriteOutcome::CommitFailed;
        out.message = {tr("Error Populating EDID values."), StatusTime::Result};
    }
    report(progress, 0, 0);
    return out;
}

RebuildState checkRebuild(CommandPrimitives &primitives)
{
    cmd::ReplyBuffer block;
    if (primitives.readSettings(block, cmd::SettingsReplyLength) == 0)
        return RebuildState::ReadFailed;
    return cmd::deviceBusy(block) ? RebuildState::Busy : RebuildState::Idle;
}

} // namespace edid
