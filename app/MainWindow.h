#pragma once

#include "edid/EdidTable.h"
#include "settings/Catalog.h"

#include <QMainWindow>
#include <functional>
#include <optional>

class Prompts;
class QLabel;
class StandingMessage;
class QProgressBar;
class WindowLog;
struct StatusTexts;
namespace settings
{
enum class Id : int;
}
namespace colonhex
{
struct EntryLimits;
enum class Mode;
} // namespace colonhex
namespace edid
{
enum class Source;
struct EditorText;
} // namespace edid
namespace session
{
class DeviceWorker;
struct CommandResult;
struct FirstFrames;
enum class CecButton;
struct Step;
struct SettingResult;
struct StartUpResult;
struct TickResult;
namespace config
{
struct Plan;
struct StateRead;
} // namespace config
} // namespace session
namespace Ui
{
class MainWindow;
}

// The one window, a view of the device: slots read their controls and post the operation to the
// device thread (session::DeviceWorker); results come back and fill the controls and the status
// bar. Nothing here waits for the device.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(session::DeviceWorker &worker, Prompts &prompts, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The device went away: said in the status bar until it comes back.
    void showDeparture();

    // Read-only views for tests and diagnostics.
    bool initialised() const { return initialised_ != 0; }
    bool pollTimerRunning() const;
    // The device's setting bytes as the last result left them.
    const settings::SettingBytes &settingsCopy() const { return settingsCopy_; }
    // What happened since launch: the Log window's lines and the DISPLAYS view.
    WindowLog &windowLog() { return *windowLog_; }

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
    void closeEvent(QCloseEvent *event) override;

private:
    void initialise();
    void startUpFinished(const session::StartUpResult &result);
    void tickFinished(const session::TickResult &result);
    void releaseForm();
    void endDeviceWork();
    void showStatus(const QString &text, int timeoutMs);
    // A message that stands while the device is away, silent or not opened.
    void showStanding(const QString &text);
    // Status-bar messages and standard-output lines of a result's steps, in their order.
    void present(const QList<session::Step> &steps);
    void showAlerts(const QStringList &texts);
    // What a CEC, infoframe or block command ended with.
    void commandDone(const session::CommandResult &result);
    // The bytes of a byte editor's text; none, with its box (a character that is no hex digit)
    // or its status-bar message (a length or syntax the command does not take), when the text
    // gives none. Nothing is queued for such a text.
    std::optional<QByteArray> editorBytes(const char *editor, const colonhex::EntryLimits &limits,
                                          colonhex::Mode mode);
    void storeCec(session::CecButton button);
    // The form's state the device thread needs before start-up: what the self-writing boxes
    // show, and the HDR editor's text whenever it changes.
    void tellShownControls();

    // Settings area (app/SettingsSlots.cpp).
    void applySettings(const settings::SettingBytes &bytes);
    // Runs one row of the binding: computes the value from the controls and posts the write;
    // `then` runs with its result.
    void runSettingSlot(settings::Id id,
                        std::function<void(const session::SettingResult &)> then = {});
    void settingWritten(const session::SettingResult &result);

    // File menu (app/ConfigSlots.cpp): configuration files.
    void saveConfiguration();
    void loadConfiguration();
    // The device's state read: asks about the changes, then writes them.
    void confirmConfiguration(const session::config::Plan &plan,
                              const session::config::StateRead &read);

    // Status header (app/StatusPoll.cpp).
    void showStatusTexts(const StatusTexts &texts);

    // EDID area (app/EdidSlots.cpp): the transfers, and the editor text in and out.
    bool refuseSecondTransfer();
    void readEdidTable(edid::Source source);
    void writeEdidTable();
    // The "Hex Format Error" box, with why the text is no table below it.
    void warnFormatError(const QString &reason);
    // "Edit in words..." (app/EdidEditInWords.cpp).
    void addEditInWordsButton();
    void editEdidInWords();
    void placeProgressBar();
    void showEditorText(const edid::EditorText &text);
    // A table the device gave unasked (start-up, the re-read after a mode change): it
    // replaces a table of the user's in the editor only if the user says so (app/KeptTable.cpp).
    void offerDeviceTable(const edid::Table &table);
    void checkEditorTable();

    QProgressBar *progressBar_ = nullptr;
    WindowLog *windowLog_ = nullptr;
    StandingMessage *standing_ = nullptr; // the device away, silent or not opened
    Ui::MainWindow *ui = nullptr;
    session::DeviceWorker &worker_;
    Prompts &prompts_;
    std::uint8_t initialised_ = 0;
    settings::SettingBytes settingsCopy_{};
    int edidTransfers_ = 0;      // EDID reads and writes posted and not yet finished
    bool tvReadPending_ = false; // a TV A read whose table the checksum check waits for
    bool checkAfterTvRead_ = false;
    std::optional<edid::Table> deviceEdid_; // the device's last table seen
};
