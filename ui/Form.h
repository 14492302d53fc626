#pragma once
// The main window: every control by its name, the window fields and the
// handlers. Handlers stay thin: they read controls, call the core and write
// controls. The methods live in several files by subject:
//   ui/Form.cpp              construction, control states, load display
//   ui/FormRefresh.cpp       status labels, channel grid, monitor, chart, sky
//   ui/FormPort.cpp          receiver port, reader thread, command writes
//   ui/FormSettings.cpp      receiver settings and queries
//   ui/FormTimer1.cpp        Timer1, restarts, acknowledgement reports
//   ui/FormReplies.cpp       the updates replies ask for
//   ui/FormLog.cpp           the NMEA log
//   ui/FormTestBench.cpp     the signal generator and the sensitivity tests
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "commands/CommandNumbers.h"
#include "commands/Commands.h"
#include "link/Thread.h"
#include "logging/NmeaLog.h"
#include "nmea/GnssSatellites.h"
#include "nmea/Record.h"
#include "nmea/Reply.h"
#include "session/ReceiverSession.h"
#include "ui/Seams.h"
#include "ui/SkyView.h"
#include "ui/ValueLabel.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;
class QTimer;

namespace vantrel {
class TChart;
class WindowReaders;
class TStatusBar;
class SensitivitySequencer;
}  // namespace vantrel

// The window's contacts with the outside. Any seam left null is replaced by
// the real one (message box, file dialog, sleep, steady clock).
struct FormServices {
  vantrel::IMessageBoxes* MessageBoxes = nullptr;
  vantrel::ISaveDialog* SaveDialog = nullptr;
  vantrel::IPauses* Pauses = nullptr;
  vantrel::IClock* Clock = nullptr;
};

class TMainForm : public QWidget {
  Q_OBJECT
 public:
  explicit TMainForm(const FormServices& services = {}, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Seams, never null after construction.
  vantrel::IMessageBoxes* MessageBoxes = nullptr;
  vantrel::ISaveDialog* SaveDialog = nullptr;
  vantrel::IPauses* Pauses = nullptr;
  vantrel::IClock* Clock = nullptr;

  // ---- controls ---------------------------------------------------------
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabStatus = nullptr;
  QWidget* TabSetup = nullptr;
  QWidget* TabChannel = nullptr;
  QWidget* TabTest = nullptr;
  QWidget* Tab101 = nullptr;  // its tab is shown only after ShowTestBenchPage()
  QWidget* TabAbout = nullptr;

  // Status page
  QWidget* Panel1 = nullptr;
  vantrel::TImage* ImgSV = nullptr;
  vantrel::TImage* ImgSVOrig = nullptr;  // hidden; the empty background
  vantrel::TValueLabel* LabelDate = nullptr;
  vantrel::TValueLabel* LabelTime = nullptr;
  vantrel::TValueLabel* LabelLat = nullptr;
  vantrel::TValueLabel* LabelLon = nullptr;
  vantrel::TValueLabel* LabelAlt = nullptr;
  vantrel::TValueLabel* LabelFix = nullptr;
  vantrel::TValueLabel* LabelSpeed = nullptr;
  vantrel::TValueLabel* LabelTrack = nullptr;
  vantrel::TValueLabel* LabelPDOP = nullptr;
  vantrel::TValueLabel* LabelHDOP = nullptr;
  vantrel::TValueLabel* LabelVDOP = nullptr;
  vantrel::TChart* ChartSNR = nullptr;
  QPushButton* BtnHot = nullptr;
  QPushButton* BtnWarm = nullptr;
  QPushButton* BtnCold = nullptr;
  QComboBox* CmbCom = nullptr;
  QComboBox* CmbBaud = nullptr;
  QPushButton* BtnOpen = nullptr;
  QPushButton* BtnClose = nullptr;
  vantrel::TStatusBar* StatusBar1 = nullptr;

  // Setup page
  QGroupBox* GroupNMEA = nullptr;
  QComboBox* CmbGLL = nullptr;
  QComboBox* CmbRMC = nullptr;
  QComboBox* CmbVTG = nullptr;
  QComboBox* CmbGSA = nullptr;
  QComboBox* CmbGSV = nullptr;
  QComboBox* CmbGGA = nullptr;
  QComboBox* CmbZDA = nullptr;
  QComboBox* CmbQCHN = nullptr;
  QPushButton* BtnDefault = nullptr;
  QPushButton* BtnNMEAQuery = nullptr;
  QPushButton* BtnConfirm = nullptr;
  QLabel* LabelHz = nullptr;
  QLabel* LabelPercent = nullptr;
  QComboBox* CmbSetBaud = nullptr;
  QPushButton* BtnSetBaud = nullptr;
  QComboBox* CmbFixRate = nullptr;
  QPushButton* BtnSetFixRate = nullptr;
  QPushButton* BtnQueryFixRate = nullptr;
  QRadioButton* RadioWAASEnable = nullptr;
  QRadioButton* RadioRTCMEnable = nullptr;
  QRadioButton* RadioBothDisable = nullptr;
  QComboBox* CmbRTCMBaud = nullptr;
  QPushButton* BtnDGPSQuery = nullptr;
  QPushButton* BtnDGPSSet = nullptr;
  QComboBox* CmbDatum = nullptr;
  QPushButton* BtnDatumQuery = nullptr;
  QPushButton* BtnDatumSet = nullptr;
  QPushButton* BtnLog = nullptr;
  QPushButton* BtnLogging = nullptr;
  QPlainTextEdit* MemoNMEA = nullptr;

  // Channel page: row 0 is the header, rows 1..32 the channels
  QTableWidget* StringGrid1 = nullptr;
  // Over the empty grid while a talking receiver has sent no channel table.
  QLabel* LabelNoChannels = nullptr;

  // Test page
  QPushButton* BtnWakeUp = nullptr;
  QLabel* LabelCurrent = nullptr;
  QCheckBox* ChkBoxPower = nullptr;
  QRadioButton* RadioIntegrity = nullptr;
  QRadioButton* RadioTest = nullptr;
  QPushButton* BtnIntegrity = nullptr;
  QPushButton* BtnQIntegrity = nullptr;
  QGroupBox* GroupFlash = nullptr;  // caption carries the writes left
  QCheckBox* ChkFlashProtect = nullptr;
  QPushButton* BtnFlashSet = nullptr;
  QPushButton* BtnQFlash = nullptr;

  // GPS-101 page
  QComboBox* Cmb101Com = nullptr;
  QComboBox* Cmb101Baud = nullptr;
  QPushButton* Btn101Open = nullptr;
  QPushButton* Btn101Close = nullptr;
  QComboBox* Cmb101SV = nullptr;
  QComboBox* CmbDegrade = nullptr;
  QComboBox* CmbAcqCNR = nullptr;
  QComboBox* CmbAcqTime = nullptr;
  QLabel* LabelAcqResult = nullptr;
  QLabel* LabelAcqIteration = nullptr;
  QComboBox* CmbAcqIteration = nullptr;
  QPushButton* BtnAcqExport = nullptr;
  QComboBox* CmbTrackCNR = nullptr;
  QComboBox* CmbTrackDur = nullptr;
  QLabel* LabelTrackResult = nullptr;
  QLabel* LabelTrackIteration = nullptr;
  QComboBox* CmbTrackIteration = nullptr;
  QPushButton* BtnTrackExport = nullptr;
  QPushButton* BtnTestAcq = nullptr;
  QPushButton* BtnTestTrack = nullptr;
  QPushButton* BtnTestAll = nullptr;
  QPushButton* BtnTestStop = nullptr;

  // About page
  QLabel* LabelVersion = nullptr;
  QPushButton* BtnQuery = nullptr;
  QGroupBox* GroupTCXO = nullptr;
  QLabel* LabelTCXO = nullptr;
  QPushButton* BtnTCXO = nullptr;
  QGroupBox* GroupTestingTime = nullptr;
  QLabel* LabelTestingTime = nullptr;
  QPushButton* BtnTestingTime = nullptr;

  // Components without a place on screen
  QTimer* Timer1 = nullptr;
  QTimer* Timer2 = nullptr;
  vantrel::SaveDialogSettings SaveDialog1;

  // ---- window fields ----------------------------------------------------
  bool ChartChannelMode = false;  // false: satellites in view; true: channels

  // ---- display (ui/Form.cpp, ui/FormRefresh.cpp) -------------------------
  void FormCreate();
  void DisableReceiverControls();
  void EnableReceiverControls();
  void DisableTestControls();
  void EnableTestControls();
  void OutputLoad();
  void CmbGLLChange();
  void CmbRMCChange();
  void CmbVTGChange();
  void CmbGSAChange();
  void CmbGSVChange();
  void CmbGGAChange();
  void CmbZDAChange();
  void CmbQCHNChange();
  void CmbSetBaudChange();
  void CmbBaudChange();
  void CmbFixRateChange();
  bool ClearChannelGrid();  // true when the grid was enabled and got cleared
  // A new receiver (or the same one reopened) has not yet shown whether it
  // sends a channel table.
  void ForgetChannelNote();
  // The sensitivity test bench's page: its tab is hidden and unreachable
  // unless this is called (the window's --test-bench).
  void ShowTestBenchPage();
  // Every talker and constellation instead of "$GP" alone, from the next
  // reader on (the window's --gnss): satellites marked by their system.
  void ShowAllGnss();
  bool AllGnss() const { return allGnss_; }
  void ClearStatusLabels();
  void ResetSkyView();
  void AppendMonitorLines(const char* workText, size_t len);
  // Puts the lines gathered since the last flush into MemoNMEA now. They go
  // in by themselves within kMonitorFlushMs while the monitor is on screen,
  // and when it comes on screen.
  void FlushMonitorLines();
  // Empties MemoNMEA with the lines still waiting for it.
  void ClearMonitor();
  static constexpr int kMonitorFlushMs = 100;
  // Shortest time between two repaints of the window (ui/PaintPacer.h).
  static constexpr int kPaintIntervalMs = 200;
  void RefreshStatus(vantrel::ReceiverRecord& record);
  void RefreshSnrChart(vantrel::ReceiverRecord& record);
  void DrawSkyView(vantrel::ReceiverRecord& record);
  // The reader's satellites of every system changed (ShowAllGnss()).
  void RefreshSatellites(const vantrel::GnssSatellites& satellites);
  void ChartSNRClick();
  void ChartSNRDblClick();

  // ---- receiver port (ui/FormPort.cpp) ----------------------------------
  bool PortOpen() const;  // the receiver port handle is not null
  void BtnOpenClick();
  void BtnCloseClick();
  // The device went away while open: closes as BtnCloseClick does and says so.
  void ReceiverDisconnected();
  void FormDestroy();
  void WritePort(const char* bytes, size_t count);
  // Replace the reader thread: stop and forget the current one; construct a
  // new one (fresh record, input queue purged, CurrentTestEnabled = 0).
  void StopReaderThread();
  void StartReaderThread();
  void RestartReader();  // the two in a row
  // The port list's rows after "COM100": the serial devices present now.
  // Read again each time the list drops down.
  void AddPresentSerialDevices();
  static constexpr int kComRows = 100;  // "COM1" to "COM100"
  // Where vantrel-sim puts its receiver and generator links.
  std::string SimulatorDir = vantrel::DefaultSimulatorDir();

  // The receiver: its port, readers, acknowledgements and log entry. The
  // names below are the window's own for parts of it.
  vantrel::ReceiverSession Session;
  // The open receiver port, shared with the readers; null while closed.
  const std::shared_ptr<vantrel::PortLink>& PortHandle = Session.Link();
  // The running reader, null when none; the window never deletes it.
  vantrel::TNMEAThread* const& ReaderThread = Session.Reader();
  // The NMEA log, null when not logging; the reader appends through
  // LogFileHook.
  std::unique_ptr<vantrel::NmeaLog> LogFile;
  vantrel::LogHook& LogFileHook = Session.Log;
  bool& CurrentTestEnabled = Session.CurrentTestEnabled;  // once the current-test command is acknowledged
  // Makes the ports BtnOpenClick opens; null: termios devices. Tests set a fake.
  vantrel::SerialPortFactory* Ports = nullptr;

  // ---- receiver settings and queries (ui/FormSettings.cpp) -----------------
  void BtnDefaultClick();
  void BtnConfirmClick();
  void BtnSetFixRateClick();
  void BtnSetBaudClick();
  void BtnNMEAQueryClick();
  void BtnQueryFixRateClick();
  void BtnDGPSQueryClick();
  void BtnDGPSSetClick();
  void BtnDatumQueryClick();
  void BtnDatumSetClick();
  void BtnIntegrityClick();
  void BtnQIntegrityClick();
  void BtnFlashSetClick();
  void BtnQFlashClick();
  void BtnWakeUpClick();
  void BtnQueryClick();
  void BtnTCXOClick();

  // ---- Timer1, restarts, replies (ui/FormTimer1.cpp, ui/FormReplies.cpp) ---
  void Timer1Timer();
  void BtnHotClick();
  void BtnWarmClick();
  void BtnColdClick();
  void ShowFixRate(vantrel::ReceiverRecord& record);
  void ShowDgpsMode(vantrel::DgpsMode mode);
  void ShowOutputRates(const long (&rates)[vantrel::kOutputRateFields]);
  void ShowSbasMode(long mode);
  void ShowDatum(vantrel::ReceiverRecord& record);
  void ShowTcxo(vantrel::ReceiverRecord& record);
  void ShowFlashWrites(vantrel::ReceiverRecord& record);
  void ShowRtcmBaud(vantrel::ReceiverRecord& record);
  void ShowFirmwareVersion(vantrel::ReceiverRecord& record);
  // Shows what a reply reports, through the Show... method of its kind.
  void ShowReply(const vantrel::Reply& reply, vantrel::ReceiverRecord& record);
  // The steps of one Timer1 tick; Timer1Timer queues it.
  void Timer1Tick();
  // Writes a command while the port is open, with its pauses.
  void SendCommand(const vantrel::Command& command);
  // Writes a built command while the port is open; one that was refused
  // (too long for the sentence buffer, a rate above 255, ...) is not written
  // and its message is shown instead. True when it was written.
  bool SendBuiltCommand(const vantrel::BuiltCommand& built);

  // ---- NMEA log (ui/FormLog.cpp) ------------------------------------------
  void BtnLogClick();
  void BtnLoggingClick();
  // Ends the recording, if any, and shows BtnLog again: waits for an append
  // in progress.
  void CloseLog();

  // ---- signal generator and sensitivity tests (ui/FormTestBench.cpp) -------
  void Btn101OpenClick();
  void Btn101CloseClick();
  bool SendRFLevel(int32_t level);
  bool GeneratorPortOpen() const;
  void BtnTestAcqClick();
  void BtnTestTrackClick();
  void BtnTestAllClick();
  void BtnTestStopClick();
  void Timer2Timer();
  // The receiver port's close: ends a test and closes the generator port.
  void CloseGeneratorWithReceiver();
  const vantrel::SensitivitySequencer& Sequencer();
  // Makes the generator's port; null: termios devices. Tests set a fake.
  vantrel::SerialPortFactory* GeneratorPorts = nullptr;

  // Written by the reader thread, read and cleared by Timer1.
  vantrel::AckSlots& Acks = Session.Acks;  // AckedCommand, FailedCommand
  bool ReopenPending = false;           // reopen the port at the newly set baud rate
  vantrel::Restart RestartKind = vantrel::Restart::None;  // the restart being timed
  int64_t RestartStartTime = 0;         // Clock->NowMs() when the count started
  int32_t ClearTickCount = 0;           // paces the clearing of MemoNMEA
  int32_t ReopenTickCount = 0;          // paces the reopen after ReopenPending

 private:
  void BuildStatusPage();
  void BuildSetupPage();
  void BuildChannelPage();
  void BuildTestPage();
  void Build101Page();
  void BuildAboutPage();
  void ConnectHandlers();
  // Writes a caption only when it differs, so a refresh repaints only what
  // changed.
  static void SetCaption(QLabel* label, const QString& text);
  // The channel table the grid shows, so that a refresh with an unchanged
  // table (every refresh while the chart shows satellites in view) skips the
  // 128 cell comparisons; not valid after ClearChannelGrid.
  vantrel::Channel gridShown_[vantrel::kChannelsMax] = {};
  bool gridShownValid_ = false;
  // Satellites-in-view groups completed while the grid stayed empty: after
  // two whole fix cycles without a channel table the receiver has none.
  int gsvGroupsWithoutChannels_ = 0;
  int shownPage_ = 0;  // the page control's page, never the hidden one
  // ShowAllGnss(): the satellites of every system last handed over, and
  // whether the sky view and chart have yet to show them.
  bool allGnss_ = false;
  std::vector<vantrel::GnssSatellite> gnssSats_;
  bool gnssSatsNew_ = false;
  void ShowGnssBars();
  // The record values (and decimal separator) each status label was last
  // written from: the same values give the same text, so a refresh formats
  // only what changed. ClearStatusLabels forgets them.
  struct LabelSource {
    double Values[3] = {};
    char16_t Point = 0;
    bool Valid = false;
  };
  LabelSource labelSources_[11];
  // True when `label` (index `slot`) must be written for these values.
  bool LabelSourceChanged(int slot, char16_t point, double a, double b = 0, double c = 0);
  // Timer1's steps and the restart buttons (ui/FormTimer1.cpp).
  void ReopenPort();
  void RestartTimingTick();
  void EndRestartTiming();
  void ReportSuccessAck();
  void ReportFailureAck();
  vantrel::DgpsMode CheckedDgpsMode() const;
  // Writes a baud or flash command and has Timer1 reopen the port at `baud`
  // later; refused with a message when `baud` is no whole number.
  void SendAndReopen(const vantrel::BuiltCommand& built, const std::string& baud);
  // The texts of the eight output-rate lists.
  vantrel::OutputRateTexts OutputRateListTexts() const;
  // The baud rate the last baud or flash command asked the receiver for: the
  // reopen follows it, whatever the list shows by then.
  QString reopenBaudText_;
  void RunRestart(vantrel::Restart kind);
  // The generator link, the sequencer and what they drive (ui/FormTestBench.cpp).
  struct TestBench;
  std::shared_ptr<TestBench> testBench_;  // shared: its deleter is made where it is complete
  TestBench& Bench();
  void CloseGeneratorPort();
  // Btn101CloseClick after the test has stopped: the port closed, the
  // setting lists enabled again.
  void ReleaseGenerator();

  struct OwnedSeams;
  std::unique_ptr<OwnedSeams> ownedSeams_;
  vantrel::SkyDiscPainter skyPainter_;  // the discs on ImgSV
  // Monitor lines not yet in MemoNMEA: appending once per flush instead of
  // once per chunk keeps a fast line cheap to watch, and a monitor off
  // screen costs nothing until it is shown.
  std::string monitorPending_;
  QTimer* monitorFlush_ = nullptr;
  // Readers, hand-over and the real port factory (ui/FormPort.cpp).
  std::unique_ptr<vantrel::WindowReaders> readerLinks_;
  vantrel::WindowReaders& Links();
  // Closes the port and stops the reader; with the log: the part of the
  // close that BtnCloseClick and FormDestroy share.
  void ReleasePort();
  void ReleasePortAndLog();
  // BtnCloseClick, or the close of a reopen, which keeps the log recording.
  enum class LogOnClose { End, Keep };
  void ClosePort(LogOnClose log);
};
