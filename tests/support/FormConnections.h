#pragma once

// Every widget connection of the window; both forms make the same set.
namespace
{

struct Connection {
    const char *sender;
    const char *signal;
    const char *slot;
};

// Every widget connection of the window, both forms.
const Connection Connections[] = {
    {"actionExit", "triggered()", "FileExit()"},
    {"actionAbout", "triggered()", "FileAbout()"},
    {"autoSwEn", "clicked()", "SetAutoSwitch()"},
    {"autoSwDis", "clicked()", "SetAutoSwitch()"},
    {"audioHdmi", "clicked()", "SetAudioSource()"},
    {"audioJack", "clicked()", "SetAudioSource()"},
    {"hdcp14", "clicked()", "SetHDCP_Version()"},
    {"hdcp22", "clicked()", "SetHDCP_Version()"},
    {"bPrioNorm", "clicked()", "setSwPriority()"},
    {"pPrioForce", "clicked()", "setSwPriority()"},
    {"cmbInputSel", "currentIndexChanged(int)", "SetActivePort()"},
    {"ButReadEDID", "released()", "ReadEDID()"},
    {"ButWriteEDID", "pressed()", "WriteEDID()"},
    {"ButLoadEDID", "released()", "LoadEDIDfromFile()"},
    {"ButSaveEDID", "released()", "SaveEDIDtoFile()"},
    {"pbReadTvEdidA", "pressed()", "readTvEdidA()"},
    {"pbReadTvEdidA", "released()", "CalculateChkSum()"},
    {"pbReadTvEdidB", "pressed()", "readTvEdidB()"},
    {"automixEDID", "clicked()", "SetEDID_Mode()"},
    {"fixedEDID", "clicked()", "SetEDID_Mode()"},
    {"customEDID", "clicked()", "SetEDID_Mode()"},
    {"cb2cForce", "stateChanged(int)", "force2c()"},
    {"cb51", "stateChanged(int)", "force51()"},
    {"cbFull", "stateChanged(int)", "forceFullAudio()"},
    {"cbHdr", "stateChanged(int)", "forceHdr()"},
    {"cbBt2020", "stateChanged(int)", "setBt2020()"},
    {"cbYUV", "stateChanged(int)", "setYUV()"},
    {"cb3D", "stateChanged(int)", "set3D()"},
    {"cmBEdid", "currentIndexChanged(int)", "changeCustomEdid()"},
    {"ButWriteCEC", "released()", "WriteCEC()"},
    {"ButSaveCEC_1", "released()", "SaveCEC_1()"},
    {"ButSaveCEC_2", "released()", "SaveCEC_2()"},
    {"cbCec", "stateChanged(int)", "setCEC()"},
    {"cmbLa", "currentIndexChanged(int)", "setCecLa()"},
    {"ButWriteIF", "released()", "WriteIF()"},
    {"ButWriteAVI", "released()", "sendAVI()"},
    {"cbAviPersistent", "clicked()", "setAviPers()"},
    {"cbHdrForceMode", "stateChanged(int)", "hdrForceActivate()"},
    {"bFullHdr", "clicked()", "hdrSamsung()"},
    {"bSamHdr", "clicked()", "hdrSamsung()"},
    {"enableLed", "clicked()", "setLogoLed()"},
    {"disableLed", "clicked()", "setLogoLed()"},
    {"enableBLed", "clicked()", "setBlueLed()"},
    {"disableBLed", "clicked()", "setBlueLed()"},
    {"bHdrRepurpEn", "clicked()", "CecLpRepurp()"},
    {"bHdrRepurpDis", "clicked()", "CecLpRepurp()"},
    {"enable420", "clicked()", "SetOut_420()"},
    {"disable420", "clicked()", "SetOut_420()"},
    {"cmbEdidAlgo", "currentIndexChanged(int)", "setEdidAlgo()"},
    {"enableHPDFORCE", "clicked()", "setHpdForce()"},
    {"disableHPDFORCE", "clicked()", "setHpdForce()"},
    {"enableAVR", "clicked()", "setAVR()"},
    {"disableAVR", "clicked()", "setAVR()"},
    {"pbReset", "clicked()", "factoryReset()"},
    {"cbSplitEn", "stateChanged(int)", "setSplitEnable()"},
    {"rbSender", "clicked()", "setSenderReceiver()"},
    {"rbReceiver", "clicked()", "setSenderReceiver()"},
    {"rbLeftRight", "clicked()", "setEvenOdd()"},
    {"rbEvenOdd", "clicked()", "setEvenOdd()"},
};

} // namespace
