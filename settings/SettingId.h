#pragma once

// The settings the program touches, named as the catalog names them ("hdr-hotkey" is
// Id::HdrHotkey), plus the factory reset, which is no setting. Both the catalog (what the device
// holds) and the form binding are keyed by it.
namespace settings
{

enum class Id : int {
    Input,
    AutoSwitch,
    AudioSource,
    Hdcp,
    Output420,
    EdidMode,
    Stereo20,
    Multi51,
    Remove3d,
    HdrPacket,
    FullAudio,
    Priority,
    EdidTable,
    HdrHotkey,
    ForceHdr,
    HdrMode,
    GreenLed,
    BlueLeds,
    Bt2020,
    FactoryReset,
    AllowYcbcr,
    Cec,
    CecDeviceType,
    AvrAudio,
    AutomixAlgo,
    ReplaceAvi,
    TxHtpcMode,
    SplitScreen,
    SplitStyle,
    SplitFeature,
    // Device-only rows: shown by the poll, never written.
    EdidAvailable,
    HdcpAvailable,
    AudioAvailable,
    Count
};

constexpr int NoValue = -1;
constexpr int NoRegister = -1;

} // namespace settings
