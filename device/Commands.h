#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Request framing of every device command: direction byte, count byte, command code, payload.
// The device side (simulator) and the program share these codes and builders.
namespace cmd
{

constexpr std::uint8_t DirWrite = 0x10; // request carries data for the device
constexpr std::uint8_t DirRead = 0x11;  // request asks the device for data

constexpr std::uint8_t RegisterWrite = 0xE0;
constexpr std::uint8_t InfoBlockRead = 0xE0;
constexpr std::uint8_t SettingsRead = 0xE1;
constexpr std::uint8_t SettingsBlockWrite = 0xE2;
constexpr std::uint8_t CecStore1 = 0xE3;
constexpr std::uint8_t CecStore2 = 0xE4;
constexpr std::uint8_t HdrInfoframeWrite = 0xE5;
constexpr std::uint8_t AviInfoframeWrite = 0xE6;
constexpr std::uint8_t EdidData = 0xB0; // read (0x11) or write (0x10) of one chunk
constexpr std::uint8_t EdidCommit = 0xB1;
constexpr std::uint8_t CecSend = 0xB2;
constexpr std::uint8_t Activate = 0xB3;
constexpr std::uint8_t EdidFetchOwn = 0xB4;
constexpr std::uint8_t EdidFetchTvA = 0xB5;
constexpr std::uint8_t EdidFetchTvB = 0xB6;

constexpr std::uint8_t ActivateCec = 0x10;
constexpr std::uint8_t ActivateHdr = 0x20;
constexpr std::uint8_t ActivateAvi = 0x80;

constexpr int ReplySize = 64;
constexpr int MaxRequestSize = 67;
constexpr int SettingsBytes = 40;
constexpr int SettingsReplyLength = 42;
constexpr int EdidReadChunk = 16;
constexpr int EdidWriteChunk = 8;
constexpr int EdidSize = 256;
constexpr int MaxPayload = MaxRequestSize - 3;
constexpr int CecStorePrefix = 4; // "CEC "

// Info block indexes and the counts they are read with.
namespace info
{
constexpr std::uint8_t Status = 6;
constexpr std::uint8_t StatusLengthSettingsPoll = 14;
constexpr std::uint8_t StatusLength = 15;
constexpr std::uint8_t Firmware = 7;
constexpr std::uint8_t FirmwareLength = 8;
constexpr std::uint8_t SourceInfo = 21;
constexpr std::uint8_t HdrCapture = 30;
constexpr std::uint8_t Gating = 31;
constexpr std::uint8_t StatusPollLength = 31; // blocks 21, 30, 31
constexpr std::uint8_t StoredHdr = 35;
constexpr std::uint8_t StoredHdrLength = 33;
constexpr std::uint8_t StoredAvi = 36;
constexpr std::uint8_t StoredAviLength = 15;
} // namespace info

using ReplyBuffer = std::array<std::uint8_t, ReplySize>;

// Settings reply byte 1, bit 0: the device is busy (loading or rebuilding its EDID buffer).
constexpr int SettingsFlagsByte = 1;
constexpr std::uint8_t SettingsBusyBit = 0x01;
inline bool deviceBusy(const ReplyBuffer &settingsReply)
{
    return (settingsReply[SettingsFlagsByte] & SettingsBusyBit) != 0;
}

// One framed request with what its reply must satisfy.
struct Request {
    std::array<std::uint8_t, MaxRequestSize> bytes{};
    std::uint8_t length = 0;       // bytes sent
    std::uint8_t minimumReply = 2; // shortest acceptable reply
    bool hasEcho = true;           // reply byte 0 must equal bytes[2]

    std::uint8_t code() const { return bytes[2]; }
    // A command succeeded when transact reported success and the echo (if any) is right.
    bool accepted(std::uint8_t transactResult, const ReplyBuffer &reply) const
    {
        return transactResult != 0 && (!hasEcho || reply[0] == code());
    }
};

Request registerWrite(std::uint8_t reg, std::uint8_t value);
Request infoBlockRead(std::uint8_t index, std::uint8_t length);
Request settingsRead(std::uint8_t length);
Request settingsBlockWrite(const std::uint8_t *block40);
// CEC send, HDR and AVI infoframe writes: 10 N code, then N bytes (N clamped to MaxPayload).
Request payloadWrite(std::uint8_t code, const std::uint8_t *bytes, std::size_t count);
// CEC store 1 or 2: 10 T+4 code "CEC ", then T text bytes (T clamped to MaxPayload - 4).
Request cecStore(std::uint8_t code, const std::uint8_t *text, std::size_t count);
// Rewrites bytes 2 and 3 of the preceding write into an activate request of 4 bytes.
Request activateAfter(const Request &write, std::uint8_t selector);
Request edidFetch(std::uint8_t fetchCode);
Request edidDataRead(std::uint8_t offset);
Request edidDataWrite(std::uint8_t offset, const std::uint8_t *bytes8);
Request edidCommit();

} // namespace cmd
