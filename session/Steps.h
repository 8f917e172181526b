#pragma once

#include "device/CommandPrimitives.h"
#include "device/OpenFailure.h"

#include <QList>
#include <QString>
#include <cstdint>

namespace session
{

// The steps device operations are made of. A result names the step it ended at, so each front
// end can say what happened in its own words.
enum class Op : std::uint8_t {
    Open,
    InfoBlockRead, // detail: the block's index
    SettingsRead,
    BusyWait, // detail: the settings reads made
    SettingWrite, // detail: the register
    SettingsBlockWrite,
    FactoryReset,
    EdidFetch,
    EdidChunkRead, // detail: the chunk's byte offset
    EdidRead,      // the whole table came; detail: the edid::Source
    EdidChunkWrite, // detail: the chunk's byte offset
    EdidCommit,
    EdidVerify, // detail: the first byte that differs
    CecSend,
    CecActivate,
    CecStore,
    HdrStore,
    HdrActivate,
    AviStore,
    AviActivate,
    ReplaceAviWrite
};

struct Step {
    Op op = Op::Open;
    cmd::Result result = cmd::Result::Done;
    int detail = 0;
    bool ok() const { return result == cmd::Result::Done; }
};
using Steps = QList<Step>;

// What a step is, in a few words ("settings read", "EDID write at byte 64").
QString stepName(const Step &step);
// Why a step failed, as one line for a person ("the device did not answer the settings read
// within 4000 ms"); empty for a step that was done.
QString failureWords(const Step &step);

// Why a found device could not be opened, for the status bar and standard error; empty when
// there is nothing to add to the warning boxes.
QString openFailureMessage(OpenFailure failure);

} // namespace session
