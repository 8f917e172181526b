#pragma once

#include "edid/EdidTable.h"

#include <QString>
#include <functional>

class CommandPrimitives;

// Moving EDID tables between the device's 256-byte EDID buffer and the program. Each operation
// runs to its end, reports progress through a callback and returns what happened, with the
// status-bar message that belongs to it. Failures of the settings reads inside are reported by
// the primitives themselves.
namespace edid
{

// progress(value, maximum): value or maximum <= 0 means "no transfer running".
using Progress = std::function<void(int value, int maximum)>;

struct StatusMessage {
    QString text; // empty: nothing to show
    int timeoutMs = 0;
};

// Which table the device loads into its buffer before the read.
enum class Source { Own, DisplayA, DisplayB };

constexpr int FetchPauseMs = 100;     // the device starts loading after the fetch
constexpr int BusyPollPauseMs = 10;   // between two busy checks
constexpr int MaxBusyChecks = 502;    // the wait ends after this many settings reads
constexpr int WriteChunkPauseMs = 30; // the device stores each written chunk
constexpr int ReadChunks = TableSize / cmd::EdidReadChunk;
constexpr int WriteChunks = TableSize / cmd::EdidWriteChunk;

struct ReadOutcome {
    enum Result { Read, FetchFailed, ChunkFailed } result = FetchFailed;
    Table table{};      // valid when result == Read
    int busyChecks = 0; // settings reads of the busy wait
    int chunksRead = 0;
    StatusMessage message; // done message, or the fetch failure
    bool ok() const { return result == Read; }
};

// Fetch, busy wait, 16 chunk reads. Stops at a fetch that fails or is not echoed, and at a chunk
// read that fails or receives nothing.
ReadOutcome readEdidTable(CommandPrimitives &primitives, Source source, const Progress &progress);

struct WriteOutcome {
    enum Result { Written, ChunkFailed, CommitFailed, Stopped } result = ChunkFailed;
    int chunksWritten = 0;
    StatusMessage message;
    bool ok() const { return result == Written; }
};

// True when a running transfer must end (the program is closing).
using StopRequested = std::function<bool()>;

// 32 chunk writes, then the commit. Stops at the first chunk that fails, or before a chunk when
// `stop` says so, without committing, so that the device never stores half a table.
WriteOutcome writeEdidTable(CommandPrimitives &primitives, const Table &table,
                            const Progress &progress, const StopRequested &stop = {});

// One check of a pending EDID rebuild: one settings read.
enum class RebuildState { Idle, Busy, ReadFailed };
RebuildState checkRebuild(CommandPrimitives &primitives);

} // namespace edid
