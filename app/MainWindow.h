#pragma once

#include "device/CommandPrimitives.h"
#include "device/Commands.h"

#include <QMainWindow>
#include <array>
#include <cstdint>

class DeviceLink;
class Prompts;
class QProgressBar;
namespace settings
{
enum class Id : int;
}
// EDID area
namespace edid
{
enum class Source;
struct EditorText;
} // namespace edid
namespace Ui
{
class MainWindow;
}

// The one window: start-up, the poll cycle and the slots. Slots stay thin; they read their
// controls, call the widget-free code and report in the status bar.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int PollIntervalMs = 3000;
    // While the device stays silent the poll backs off: 6 s after the first silent tick, then
    // doubling up to 30 s.
    static constexpr int SilentFirstIntervalMs = 6000;
    static constexpr int SilentMaxIntervalMs = 30000;

    MainWindow(DeviceLink &link, Prompts &prompts, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Read-only views for tests and diagnostics.
    bool initialised() const { return initialised_ != 0; }
    bool pollTimerRunning() const { return timerRunning_ != 0; }
    const std::array<std::uint8_t, cmd::SettingsBytes> &settingsCopy() const
    {
        return settingsCopy_;
    }
    bool edidRebuildPending() const { return edidRebuildPending_; }
    CommandPrimitives &primitives() { return primitives_; }

public slots:
    void on_ProgressChange(int a, int b);

private slots:
    void SaveEDIDtoFile();
    void LoadEDIDfromFile();
    void FileExit();
    void FileAbout();
    void ReadEDID();
    void WriteEDID();
    void WriteCEC();
    void WriteIF();
    void CalculateChkSum();
    void SetActivePort();
    void SetAutoSwitch();
    void SetAudioSource();
    void SetHDCP_Version();
    void SetOut_420();
    void SetEDID_Mode();
    void SetEPState();
    void SaveCEC_1();
    void SaveCEC_2();
    void force2c();
    void force51();
    void forceHdr();
    void forceFullAudio();
    void setSwPriority();
    void changeCustomEdid();
    bool sendAVI();
    void CecLpRepurp();
    void hdrForceActivate();
    void hdrSamsung();
    void setLogoLed();
    void setBt2020();
    void setBlueLed();
    void factoryReset();
    void setYUV();
    void setCEC();
    void setCecLa();
    void setAVR();
    void readTvEdidA();
    void readTvEdidB();
    void set3D();
    void setEdidAlgo();
    void setAviPers();
    void setHpdForce();
    void setEvenOdd();
    void setSenderReceiver();
    void setSplitEnable();

protected:
    void timerEvent(QTimerEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void initialise();
    void startPollTimer(int intervalMs);
    void stopPollTimer();
    // After a tick: the back-off and its status-bar message.
    void pacePollCycle(bool silent);
    void releaseForm();
    void showStatus(const QString &text, int timeoutMs);

    // Poll cycle steps (each in the file of its area).
    void pollEdidRebuild();
    void pollSettings();
    void applySettingsBlock(const cmd::ReplyBuffer &block);
    void pollStatus();

    // Settings area helpers (app/SettingsSlots.cpp).
    // Runs one row of the register map: computes the value from the controls, writes the
    // register and stores the copy byte.
    void runSettingSlot(settings::Id id);

    // EDID area (app/EdidSlots.cpp): the transfers, and the editor text in and out.
    void readEdidTable(edid::Source source);
    void writeEdidTable();
    void placeProgressBar();
    void showEditorText(const edid::EditorText &text);

    QProgressBar *progressBar_ = nullptr;
    Ui::MainWindow *ui = nullptr;
    DeviceLink &link_;
    Prompts &prompts_;
    CommandPrimitives primitives_;
    int timerId_ = 0;
    int timerRunning_ = 0;
    int pollIntervalMs_ = PollIntervalMs;
    std::uint8_t initialised_ = 0;
    std::array<std::uint8_t, cmd::SettingsBytes> settingsCopy_{};
    bool edidRebuildPending_ = true;
};
