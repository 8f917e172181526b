#pragma once

// The settings the program touches, one per setting slot of the window plus the device-only
// bytes. Both the catalog (what the device holds) and the form binding are keyed by it.
namespace settings
{

// Slot rows carry the slot's name.
enum class Id : int {
    SetActivePort,
    SetAutoSwitch,
    SetAudioSource,
    SetHDCP_Version,
    SetOut_420,
    SetEDID_Mode,
    force2c,
    force51,
    set3D,
    forceHdr,
    forceFullAudio,
    setSwPriority,
    changeCustomEdid,
    CecLpRepurp,
    hdrForceActivate,
    hdrSamsung,
    setLogoLed,
    setBlueLed,
    setBt2020,
    factoryReset,
    setYUV,
    setCEC,
    setCecLa,
    setAVR,
    setEdidAlgo,
    setAviPers,
    setHpdForce,
    setSplitEnable,
    setEvenOdd,
    setSenderReceiver,
    // Device-only rows: shown by the poll, never written.
    EdidAvailable,
    HdcpAvailable,
    AudioAvailable,
    Count
};

constexpr int NoValue = -1;
constexpr int NoByte = -1;
constexpr int NoRegister = -1;

} // namespace settings
