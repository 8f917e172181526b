#pragma once

#include "device/Commands.h"
#include "edid/EdidTable.h"

#include <cstdint>
#include <functional>

// The protocol of moving EDID tables between the device's 256-byte EDID buffer and the program:
// which fetch loads which table, the chunk sizes and the pauses the device needs. The transfers
// themselves are device operations of the session.
namespace edid
{

// progress(value, maximum): value or maximum <= 0 means "no transfer running".
using Progress = std::function<void(int value, int maximum)>;
// True when a running transfer must end (the program is closing).
using StopRequested = std::function<bool()>;

// Which table the device loads into its buffer before the read.
enum class Source { Own, DisplayA, DisplayB };

constexpr int FetchPauseMs = 100;     // the device starts loading after the fetch
constexpr int BusyPollPauseMs = 10;   // between two busy checks
constexpr int MaxBusyChecks = 502;    // the wait ends after this many settings reads
constexpr int WriteChunkPauseMs = 30; // the device stores each written chunk
constexpr int ReadChunks = TableSize / cmd::EdidReadChunk;
constexpr int WriteChunks = TableSize / cmd::EdidWriteChunk;

// The fetch command that loads `source` into the buffer.
std::uint8_t fetchCode(Source source);

} // namespace edid
