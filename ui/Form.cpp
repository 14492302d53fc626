#include "ui/Form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QTabBar>
#include <QTextDocument>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <array>
#include <functional>

#include "commands/Load.h"
#include "ui/Chart.h"
#include "ui/Datums.h"
#include "ui/Lists.h"
#include "ui/NamedList.h"
#include "ui/PortList.h"
#include "ui/Fonts.h"
#include "ui/PaintPacer.h"
#include "ui/Palette.h"
#include "ui/RealSeams.h"
#include "ui/SkyView.h"
#include "ui/StatusBar.h"
#include "ui/WindowReaders.h"  // the readers end with the window
#include "ui/ValueLabel.h"

using namespace vantrel;

namespace {

// Runs `onShow` whenever `watched` comes on screen.
class ShowHook : public QObject {
 public:
  ShowHook(QObject* watched, std::function<void()> onShow) : QObject(watched), onShow_(std::move(onShow)) {
    watched->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) onShow_();
    return false;
  }

 private:
  std::function<void()> onShow_;
};

// Client area of the window and the pages inside the page control.
constexpr int kClientWidth = 304;
constexpr int kClientHeight = 425;

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w, int h = 14,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(x, y, w, h);
  label->setAlignment(align);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, int x, int y, int w, int h = 23) {
  auto* button = new QPushButton(text, parent);
  button->setGeometry(x, y, w, h);
  button->setAutoDefault(false);
  return button;
}

// An editable list. `selected` is the selected row; with -1 the list shows
// `text` and no row is selected.
QComboBox* MakeList(QWidget* parent, const QStringList& rows, int selected, const QString& text,
                    int x, int y, int w, int h = 20, QComboBox* made = nullptr) {
  QComboBox* list = made != nullptr ? made : new QComboBox(parent);
  list->setEditable(true);
  list->setInsertPolicy(QComboBox::NoInsert);
  list->setMaxVisibleItems(12);
  list->addItems(rows);
  list->setGeometry(x, y, w, h);
  // Typing a row's exact text selects that row; any other text leaves no
  // row selected. Connected first, so change handlers see the new state.
  QObject::connect(list->lineEdit(), &QLineEdit::textEdited, list, [list](const QString& text) {
    const int row = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (row == list->currentIndex() && (row < 0 || list->itemText(row) == text)) return;
    const int cursor = list->lineEdit()->cursorPosition();
    if (row >= 0) {
      list->setCurrentIndex(row);
    } else {
      SetListText(list, text);
    }
    list->lineEdit()->setCursorPosition(cursor);
  });
  if (selected >= 0)
    list->setCurrentIndex(selected);
  else
    SetListText(list, text);
  return list;
}

QGroupBox* MakeGroup(QWidget* parent, const QString& title, int x, int y, int w, int h) {
  auto* group = new QGroupBox(title, parent);
  group->setGeometry(x, y, w, h);
  return group;
}

QRadioButton* MakeRadio(QWidget* parent, const QString& text, int x, int y, int w, int h = 17) {
  auto* radio = new QRadioButton(text, parent);
  radio->setGeometry(x, y, w, h);
  return radio;
}

void SetBold(QWidget* widget, int pixelSize = 0) {
  QFont font = widget->font();
  font.setBold(true);
  if (pixelSize > 0) font.setPixelSize(pixelSize);
  widget->setFont(font);
}

// A plain line across the status column between its groups of values.
QWidget* MakeSeparator(QWidget* parent, int x, int y) {
  auto* rule = new QFrame(parent);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Plain);
  rule->setGeometry(x, y, 117, 14);
  return rule;
}

// The About page's logo: a small drawn emblem of a receiver under the sky.
QPixmap DrawLogo() {
  QPixmap logo(185, 73);
  logo.fill(Qt::transparent);
  QPainter p(&logo);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 73);
  sky.setColorAt(0, QColor(20, 40, 120));
  sky.setColorAt(1, QColor(90, 150, 220));
  p.setBrush(sky);
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(0.5, 0.5, 184, 72), 8, 8);
  p.setPen(QPen(QColor(255, 255, 255, 160), 1));
  p.setBrush(Qt::NoBrush);
  for (int r = 16; r <= 48; r += 16) p.drawEllipse(QPointF(92.5, 80), r * 1.6, r);
  p.setPen(Qt::NoPen);
  const QPointF sats[] = {{30, 18}, {70, 10}, {120, 14}, {160, 24}, {52, 40}, {140, 44}};
  for (const auto& s : sats) {
    p.setBrush(kYellow);
    p.drawEllipse(s, 4, 4);
  }
  return logo;
}

// Enter presses the focused button, as Space does: Qt gives Enter only to
// the default buttons of dialogs.
class EnterPresses : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter || key->isAutoRepeat() || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    auto* button = static_cast<QAbstractButton*>(watched);
    if (!button->isEnabled()) return false;
    button->click();
    return true;
  }
};

// Tabs a few pixels narrower than the style's, drawn by the style itself.
class CompactTabs : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    const int value = QProxyStyle::pixelMetric(metric, option, widget);
    return metric == PM_TabBarTabHSpace ? value - 8 : value;
  }
};

}  // namespace

struct TMainForm::OwnedSeams {
  RealMessageBoxes messageBoxes;
  RealSaveDialog saveDialog;
  RealPauses pauses;
  RealClock clock;
};

TMainForm::TMainForm(const FormServices& services, QWidget* parent)
    : QWidget(parent), ownedSeams_(std::make_unique<OwnedSeams>()) {
  MessageBoxes = services.MessageBoxes ? services.MessageBoxes : &ownedSeams_->messageBoxes;
  SaveDialog = services.SaveDialog ? services.SaveDialog : &ownedSeams_->saveDialog;
  Pauses = services.Pauses ? services.Pauses : &ownedSeams_->pauses;
  Session.SetPauses(*Pauses);
  Clock = services.Clock ? services.Clock : &ownedSeams_->clock;

  setWindowTitle(QStringLiteral("Vantrel"));
  setFont(WindowFont());
  resize(kClientWidth, kClientHeight);

  PageControl1 = new QTabWidget(this);
  PageControl1->setGeometry(0, 0, kClientWidth, kClientHeight);
  PageControl1->setUsesScrollButtons(false);
  TabStatus = new QWidget;
  TabSetup = new QWidget;
  TabChannel = new QWidget;
  TabTest = new QWidget;
  Tab101 = new QWidget;
  TabAbout = new QWidget;
  PageControl1->addTab(TabStatus, QStringLiteral("Status"));
  PageControl1->addTab(TabSetup, QStringLiteral("Setup"));
  PageControl1->addTab(TabChannel, QStringLiteral("Channel"));
  PageControl1->addTab(TabTest, QStringLiteral("Test"));
  PageControl1->addTab(Tab101, QStringLiteral("GPS-101"));
  PageControl1->addTab(TabAbout, QStringLiteral("About"));
  PageControl1->setTabVisible(4, false);
  // A hidden tab is still reached by Ctrl+Tab, the arrow keys and the wheel
  // over the tab bar; those skip a disabled one. Disabled on the bar only:
  // the page's own controls keep their control states.
  PageControl1->tabBar()->setTabEnabled(4, false);
  PageControl1->setCurrentIndex(0);
  // A screen reader's "Press" on the hidden tab selects it regardless; the
  // page before it comes back at once.
  connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == 4 && !PageControl1->isTabVisible(4))
      PageControl1->setCurrentIndex(shownPage_);
    else
      shownPage_ = index;
  });

  BuildStatusPage();
  BuildSetupPage();
  BuildChannelPage();
  BuildTestPage();
  Build101Page();
  BuildAboutPage();

  Timer1 = new QTimer(this);
  Timer1->setInterval(1000);
  Timer2 = new QTimer(this);
  Timer2->setInterval(1000);

  SaveDialog1.fileName = QStringLiteral("Vantrel.nma");
  SaveDialog1.filters = {QStringLiteral("NMEA Files (*.nma)"), QStringLiteral("Text Files (*.txt)"),
                         QStringLiteral("All Files (*.*)")};
  SaveDialog1.filterIndex = 0;

  auto* enterPresses = new EnterPresses(this);
  for (QPushButton* button : findChildren<QPushButton*>()) button->installEventFilter(enterPresses);

  ConnectHandlers();
  // At most 5 repaints a second however fast the line runs: one per fix at
  // the fastest fix rate.
  new vantrel::PaintPacer(this, kPaintIntervalMs);
  ChartChannelMode = false;
  FormCreate();
  AddPresentSerialDevices();  // after "COM100": adapters and simulator links
}

TMainForm::~TMainForm() {
  FormDestroy();
}

void TMainForm::BuildStatusPage() {
  QWidget* page = TabStatus;
  Panel1 = new QWidget(page);
  Panel1->setGeometry(0, 0, 298, 193);

  ImgSVOrig = new TImage(Panel1);
  ImgSVOrig->setGeometry(2, 8, kSkyViewSize, kSkyViewSize);
  ImgSVOrig->Picture = DrawSkyBackground();
  ImgSVOrig->hide();
  ImgSV = new TImage(Panel1);
  ImgSV->setGeometry(2, 8, kSkyViewSize, kSkyViewSize);
  ImgSV->Picture = ImgSVOrig->Picture.copy();

  // Caption, then a right-aligned value whose right edge lies at 280 so the
  // unit marks after it line up.
  struct Row {
    const char* caption;
    TValueLabel** value;
    const char* mark;
  };
  const Row rows[] = {
      {"Date  : ", &LabelDate, ""},   {"Time  : ", &LabelTime, ""},
      {nullptr, nullptr, nullptr},    {"Lat    : ", &LabelLat, "。"},
      {"Lon   : ", &LabelLon, "。"},   {"Alt     : ", &LabelAlt, "m"},
      {"Fix Type : ", &LabelFix, ""}, {"Spd (km/hr) : ", &LabelSpeed, ""},
      {"Track  : ", &LabelTrack, "。"}, {nullptr, nullptr, nullptr},
      {"PDOP : ", &LabelPDOP, ""},    {"HDOP : ", &LabelHDOP, ""},
      {"VDOP : ", &LabelVDOP, ""},
  };
  const QFontMetrics metrics(font());
  int y = 8;
  for (const Row& row : rows) {
    if (!row.caption) {
      MakeSeparator(Panel1, 182, y);
      y += 13;
      continue;
    }
    const QString caption = QString::fromUtf8(row.caption);
    // Trailing blanks of a caption draw nothing; the value may start there.
    const int captionWidth = metrics.horizontalAdvance(caption.trimmed()) + 1;
    QLabel* captionLabel = MakeLabel(Panel1, caption, 182, y, captionWidth);
    const int valueLeft = 182 + captionWidth;
    auto* value = new TValueLabel(captionLabel, Panel1);
    value->setGeometry(valueLeft, y, 280 - valueLeft, 14);
    // A fixed size keeps each new text from asking the page for a new
    // layout, a posted event per label per chunk at full line rate.
    value->setFixedSize(value->size());
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    *row.value = value;
    if (row.mark[0]) MakeLabel(Panel1, QString::fromUtf8(row.mark), 281, y, 16);
    y += 14;
  }

  ChartSNR = new TChart(page);
  ChartSNR->setGeometry(0, 193, 297, 113);
  ChartSNR->SetTitle(QStringLiteral("CNR"));
  ChartSNR->SetTitleColor(kBlue);
  ChartSNR->setToolTip(QString::fromUtf8(
      "『Double Click』could change mode ; 『Single Click』could see more channels, if exist"));

  BtnHot = MakeButton(page, QStringLiteral("Hot Start"), 2, 309, 96);
  BtnWarm = MakeButton(page, QStringLiteral("Warm Start"), 101, 309, 96);
  BtnCold = MakeButton(page, QStringLiteral("Cold Start"), 200, 309, 96);

  auto* ports = new vantrel::TPortList(page);
  ports->BeforePopup = [this] { AddPresentSerialDevices(); };
  CmbCom = MakeList(page, ComRows(), -1, QStringLiteral("COM1"), 2, 338, 90, 20, ports);
  CmbBaud = MakeList(page, BaudRows(), 4, QString(), 96, 338, 90);
  BtnOpen = MakeButton(page, QStringLiteral("Open"), 200, 336, 96);
  BtnClose = MakeButton(page, QStringLiteral("Close"), 200, 336, 96);
  BtnClose->hide();

  StatusBar1 = new TStatusBar(page);
  StatusBar1->setGeometry(0, 380, 300, 19);
}

void TMainForm::BuildSetupPage() {
  QWidget* page = TabSetup;
  GroupNMEA = MakeGroup(page, QStringLiteral("NMEA Output Settings"), 1, 0, 296, 150);
  const QStringList rates = NumberRows(0, 10);
  struct Out {
    const char* name;
    QComboBox** list;
    int selected;
  };
  const Out outs[] = {{"GLL", &CmbGLL, 1}, {"RMC", &CmbRMC, 1}, {"VTG", &CmbVTG, 1},
                      {"GSA", &CmbGSA, 1}, {"GSV", &CmbGSV, 1}, {"GGA", &CmbGGA, 1},
                      {"ZDA", &CmbZDA, 0}, {"QCHN", &CmbQCHN, -1}};
  for (int i = 0; i < 8; ++i) {
    const int x = i < 4 ? 6 : 82;
    const int y = 18 + (i % 4) * 23;
    MakeLabel(GroupNMEA, QString::fromLatin1(outs[i].name), x, y + 3, 32);
    *outs[i].list = MakeList(GroupNMEA, rates, outs[i].selected, QStringLiteral("0"), x + 32, y, 40);
    // A screen reader would name every control in a group within a group
    // after the outer group's title; these say what each one sets.
    vantrel::SetListName(*outs[i].list, QString::fromLatin1(outs[i].name) + QStringLiteral(" output rate"));
  }
  BtnDefault = MakeButton(GroupNMEA, QStringLiteral("Default"), 6, 114, 48);
  BtnNMEAQuery = MakeButton(GroupNMEA, QStringLiteral("Query"), 56, 114, 48);
  BtnConfirm = MakeButton(GroupNMEA, QStringLiteral("Confirm"), 106, 114, 48);

  auto* bandwidth = MakeGroup(GroupNMEA, QStringLiteral("rs232 bandwith"), 160, 10, 130, 42);
  LabelHz = MakeLabel(bandwidth, QStringLiteral("1"), 6, 18, 14, 16, Qt::AlignRight | Qt::AlignVCenter);
  SetBold(LabelHz);
  MakeLabel(bandwidth, QStringLiteral("Hz"), 22, 18, 16, 16);
  LabelPercent = MakeLabel(bandwidth, QStringLiteral("0.0%"), 40, 14, 84, 24,
                           Qt::AlignRight | Qt::AlignVCenter);
  SetBold(LabelPercent, 18);

  auto* baud = MakeGroup(GroupNMEA, QStringLiteral("Baudrate"), 160, 54, 130, 42);
  CmbSetBaud = MakeList(baud, BaudRows(), -1, QStringLiteral("38400"), 6, 16, 64);
  BtnSetBaud = MakeButton(baud, QStringLiteral("Set"), 74, 15, 50, 22);
  vantrel::SetListName(CmbSetBaud, QStringLiteral("Baud rate to set"));
  BtnSetBaud->setAccessibleName(QStringLiteral("Set baud rate"));

  auto* fixRate = MakeGroup(GroupNMEA, QStringLiteral("Fix Update Rate"), 160, 98, 130, 44);
  CmbFixRate = MakeList(fixRate, NumberRows(1, 5), 0, QString(), 6, 17, 34);
  BtnSetFixRate = MakeButton(fixRate, QStringLiteral("Set"), 43, 16, 38, 22);
  BtnQueryFixRate = MakeButton(fixRate, QStringLiteral("Query"), 84, 16, 40, 22);
  vantrel::SetListName(CmbFixRate, QStringLiteral("Fix update rate"));
  BtnSetFixRate->setAccessibleName(QStringLiteral("Set fix update rate"));
  BtnQueryFixRate->setAccessibleName(QStringLiteral("Query fix update rate"));

  // Radio buttons in a column; the RTCM rate and the buttons beside them.
  auto* dgps = MakeGroup(page, QStringLiteral("DGPS"), 1, 152, 296, 76);
  RadioWAASEnable = MakeRadio(dgps, QStringLiteral("SBAS(WAAS/EGNOS/MSAS)"), 6, 16, 176);
  RadioRTCMEnable = MakeRadio(dgps, QStringLiteral("RTCM"), 6, 35, 176);
  RadioBothDisable = MakeRadio(dgps, QStringLiteral("Disable"), 6, 54, 176);
  RadioBothDisable->setChecked(true);
  MakeLabel(dgps, QStringLiteral("RTCM Baudrate :"), 186, 14, 100);
  CmbRTCMBaud = MakeList(dgps, BaudRows(), 1, QString(), 186, 30, 70);
  BtnDGPSQuery = MakeButton(dgps, QStringLiteral("Query"), 186, 52, 50, 22);
  BtnDGPSSet = MakeButton(dgps, QStringLiteral("Set"), 240, 52, 50, 22);

  auto* datum = MakeGroup(page, QStringLiteral("Datum"), 1, 230, 224, 46);
  QStringList datumRows;
  for (const char* row : kDatumRows) datumRows << QString::fromLatin1(row);
  CmbDatum = MakeList(datum, datumRows, -1, datumRows[0], 6, 18, 108);
  CmbDatum->view()->setMinimumWidth(360);
  CmbDatum->lineEdit()->setCursorPosition(0);
  BtnDatumQuery = MakeButton(datum, QStringLiteral("Query"), 118, 17, 50, 22);
  BtnDatumSet = MakeButton(datum, QStringLiteral("Set"), 170, 17, 48, 22);

  BtnLog = MakeButton(page, QStringLiteral("NMEA Log"), 229, 242, 68, 26);
  BtnLogging = MakeButton(page, QStringLiteral("Logging ..."), 229, 242, 68, 26);
  BtnLogging->hide();

  MemoNMEA = new QPlainTextEdit(page);
  MemoNMEA->setGeometry(0, 280, 297, 89);
  MemoNMEA->setReadOnly(true);
  MemoNMEA->setLineWrapMode(QPlainTextEdit::NoWrap);
  MemoNMEA->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoNMEA->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoNMEA->setUndoRedoEnabled(false);
  monitorFlush_ = new QTimer(this);
  monitorFlush_->setSingleShot(true);
  monitorFlush_->setTimerType(Qt::PreciseTimer);
  connect(monitorFlush_, &QTimer::timeout, this, &TMainForm::FlushMonitorLines);
  new ShowHook(MemoNMEA, [this] { FlushMonitorLines(); });
  // Lines still waiting when the monitor is emptied were received before
  // the emptying: they go with it.
  connect(MemoNMEA->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int) {
    if (removed > 0 && MemoNMEA->document()->isEmpty()) {
      monitorPending_.clear();
      monitorFlush_->stop();
    }
  });
}

void TMainForm::BuildChannelPage() {
  StringGrid1 = new QTableWidget(33, 4, TabChannel);
  StringGrid1->setGeometry(0, 0, 300, 399);
  StringGrid1->horizontalHeader()->hide();
  StringGrid1->verticalHeader()->hide();
  StringGrid1->verticalHeader()->setMinimumSectionSize(1);
  StringGrid1->verticalHeader()->setDefaultSectionSize(15);
  StringGrid1->horizontalHeader()->setMinimumSectionSize(1);
  const int widths[4] = {50, 50, 50, 122};
  for (int c = 0; c < 4; ++c) StringGrid1->setColumnWidth(c, widths[c]);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setSelectionMode(QAbstractItemView::NoSelection);
  StringGrid1->setFocusPolicy(Qt::NoFocus);
  StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The first row and the first column are drawn as fixed header cells.
  const QBrush fixed = StringGrid1->palette().brush(QPalette::Button);
  for (int r = 0; r < 33; ++r) {
    for (int c = 0; c < 4; ++c) {
      auto* cell = new QTableWidgetItem;
      cell->setFlags(Qt::ItemIsEnabled);
      if (r == 0 || c == 0) cell->setBackground(fixed);
      StringGrid1->setItem(r, c, cell);
    }
  }
  LabelNoChannels = new QLabel(QStringLiteral("no channel status from this receiver"), TabChannel);
  LabelNoChannels->setGeometry(0, 32, 300, 30);
  LabelNoChannels->setAlignment(Qt::AlignCenter);
  LabelNoChannels->hide();
}

void TMainForm::BuildTestPage() {
  QWidget* page = TabTest;
  auto* output = MakeGroup(page, QStringLiteral("NMEA output"), 1, 0, 296, 84);
  const char* outputLines[] = {"Output NMEA sentences when you click the button.",
                               "The function is designed for GPS mouse, avoid PC",
                               "misunderstanding it as a mouse.",
                               "(The feature also needs firmware support !)"};
  for (int i = 0; i < 4; ++i) MakeLabel(output, QString::fromLatin1(outputLines[i]), 6, 15 + i * 13, 284, 13);
  BtnWakeUp = MakeButton(output, QStringLiteral("Wake Up"), 228, 56, 62);

  auto* current = MakeGroup(page, QStringLiteral("Current"), 1, 86, 296, 54);
  MakeLabel(current, QString::fromUtf8("Status："), 6, 16, 44);
  LabelCurrent = MakeLabel(current, QString(), 52, 16, 238);
  ChkBoxPower = new QCheckBox(QStringLiteral("Test Mode (rapidly drop current while fix)"), current);
  ChkBoxPower->setGeometry(6, 33, 284, 17);

  auto* sbas = MakeGroup(page, QStringLiteral("SBAS"), 1, 142, 296, 112);
  const char* sbasLines[] = {"Some  WAAS / EGNOS / MSAS  SVs are under ",
                             "test, in order to avoid some experimental SVs affect ",
                             "our performance, only stable SVs allow to apply to ",
                             "our  system. If you want to test some experimental",
                             "SVs, please set \"Test\" mode."};
  for (int i = 0; i < 5; ++i) MakeLabel(sbas, QString::fromLatin1(sbasLines[i]), 6, 15 + i * 13, 284, 13);
  RadioIntegrity = MakeRadio(sbas, QStringLiteral("Integrity"), 6, 86, 76);
  RadioTest = MakeRadio(sbas, QStringLiteral("Test"), 86, 86, 56);
  RadioIntegrity->setChecked(true);
  BtnIntegrity = MakeButton(sbas, QStringLiteral("Set"), 176, 83, 56);
  BtnQIntegrity = MakeButton(sbas, QStringLiteral("Query"), 234, 83, 56);

  GroupFlash = MakeGroup(page, QStringLiteral("Write setting into flash (remain  0  times to modify)"),
                         1, 256, 296, 70);
  MakeLabel(GroupFlash, QStringLiteral("Depend on [All Settings]  in  Setup page."), 6, 17, 284);
  ChkFlashProtect = new QCheckBox(QStringLiteral("Setting write protection"), GroupFlash);
  ChkFlashProtect->setGeometry(6, 39, 164, 17);
  BtnFlashSet = MakeButton(GroupFlash, QStringLiteral("Set"), 176, 36, 56);
  BtnQFlash = MakeButton(GroupFlash, QStringLiteral("Query"), 234, 36, 56);
}

void TMainForm::Build101Page() {
  QWidget* page = Tab101;
  auto* setting = MakeGroup(page, QStringLiteral("Setting"), 1, 0, 296, 72);
  Cmb101Com = MakeList(setting, ComRows(), 0, QString(), 6, 17, 80);
  Cmb101Baud = MakeList(setting, BaudRows(), 3, QString(), 90, 17, 80);
  Btn101Open = MakeButton(setting, QStringLiteral("Open"), 206, 15, 84);
  Btn101Close = MakeButton(setting, QStringLiteral("Close"), 206, 15, 84);
  Btn101Close->hide();
  MakeLabel(setting, QString::fromUtf8("SVid："), 6, 46, 36);
  Cmb101SV = MakeList(setting, NumberRows(1, 37), 13, QString(), 42, 43, 50);
  MakeLabel(setting, QString::fromUtf8("Degrade Signal (dB)："), 100, 46, 118);
  CmbDegrade = MakeList(setting, NumberRows(0, 100), 40, QString(), 222, 43, 56);

  // The two test groups share a layout.
  auto buildTest = [&](const QString& title, int top, QComboBox*& cnr, int cnrDefault,
                       const QString& timeCaption, QComboBox*& time, int timeDefault,
                       QLabel*& result, QLabel*& iterationLabel, QComboBox*& iteration,
                       QPushButton*& exportButton) {
    auto* group = MakeGroup(page, title, 1, top, 296, 96);
    MakeLabel(group, QStringLiteral("Below"), 6, 19, 32);
    cnr = MakeList(group, NumberRows(10, 60), cnrDefault - 10, QString(), 40, 16, 46);
    MakeLabel(group, QStringLiteral("CNR        to measure"), 90, 19, 110);
    MakeLabel(group, timeCaption, 6, 45, 92);
    time = MakeList(group, NumberRows(10, 180, 10), timeDefault / 10 - 1, QString(), 100, 42, 56);
    MakeLabel(group, QString::fromUtf8("Sensitivity："), 6, 71, 70);
    result = MakeLabel(group, QStringLiteral("?"), 78, 71, 40, 14, Qt::AlignRight | Qt::AlignVCenter);
    SetBold(result);
    MakeLabel(group, QStringLiteral("dBm"), 122, 71, 26);
    iterationLabel = MakeLabel(group, QString::fromUtf8("Iteration："), 170, 45, 60);
    iterationLabel->hide();
    iteration = MakeList(group, NumberRows(1, 100), -1, QStringLiteral("20"), 232, 42, 56);
    iteration->hide();
    exportButton = MakeButton(group, QStringLiteral("Export"), 232, 66, 56);
    exportButton->hide();
  };
  buildTest(QStringLiteral("Acquisition (Cold Start)"), 74, CmbAcqCNR, 20,
            QString::fromUtf8("Time-out (sec)："), CmbAcqTime, 60, LabelAcqResult, LabelAcqIteration,
            CmbAcqIteration, BtnAcqExport);
  buildTest(QStringLiteral("Tracking"), 172, CmbTrackCNR, 15, QString::fromUtf8("Duration (sec)："),
            CmbTrackDur, 30, LabelTrackResult, LabelTrackIteration, CmbTrackIteration, BtnTrackExport);

  BtnTestAcq = MakeButton(page, QStringLiteral("Acq Only"), 2, 274, 70, 25);
  BtnTestTrack = MakeButton(page, QStringLiteral("Track Only"), 76, 274, 72, 25);
  BtnTestAll = MakeButton(page, QStringLiteral("Test All"), 152, 274, 70, 25);
  BtnTestAll->setToolTip(QStringLiteral("Tracking test first, and then Acq test"));
  BtnTestStop = MakeButton(page, QStringLiteral("Stop !"), 226, 274, 70, 25);
  BtnTestStop->setEnabled(false);
}

void TMainForm::BuildAboutPage() {
  QWidget* page = TabAbout;
  auto* about = MakeGroup(page, QString(), 1, 0, 296, 150);
  auto* logo = new QLabel(about);
  logo->setGeometry(56, 10, 185, 73);
  logo->setPixmap(DrawLogo());
  auto* title = MakeLabel(about, QStringLiteral("Vantrel"), 6, 84, 284, 42, Qt::AlignCenter);
  QFont script;
  script.setFamilies({QStringLiteral("URW Chancery L"), QStringLiteral("Z003"),
                      QStringLiteral("Liberation Serif")});
  script.setPixelSize(35);
  script.setBold(true);
  script.setItalic(true);
  title->setFont(script);
  MakeLabel(about, QStringLiteral("Version 1.4.2   2007-Apr"), 6, 128, 284, 14, Qt::AlignCenter);

  auto* firmware = MakeGroup(page, QStringLiteral("Firmware Version"), 1, 154, 296, 80);
  SetBold(MakeLabel(firmware, QStringLiteral("Version :"), 6, 20, 52));
  LabelVersion = MakeLabel(firmware, QString(), 60, 20, 230, 28, Qt::AlignLeft | Qt::AlignTop);
  LabelVersion->setWordWrap(true);
  BtnQuery = MakeButton(firmware, QStringLiteral("Query"), 234, 50, 56);

  GroupTCXO = MakeGroup(page, QStringLiteral("TCXO"), 1, 238, 296, 50);
  SetBold(MakeLabel(GroupTCXO, QStringLiteral("Accuracy : "), 6, 20, 62));
  LabelTCXO = MakeLabel(GroupTCXO, QString(), 70, 20, 150);
  BtnTCXO = MakeButton(GroupTCXO, QStringLiteral("Query"), 234, 16, 56);
  GroupTCXO->hide();

  GroupTestingTime = MakeGroup(page, QStringLiteral("Testing Time"), 1, 292, 296, 50);
  SetBold(MakeLabel(GroupTestingTime, QStringLiteral("Testing Time : "), 6, 20, 84));
  LabelTestingTime = MakeLabel(GroupTestingTime, QString(), 92, 20, 130);
  BtnTestingTime = MakeButton(GroupTestingTime, QStringLiteral("Query"), 234, 16, 56);
  GroupTestingTime->hide();
}

void TMainForm::ConnectHandlers() {
  auto click = [this](QPushButton* button, void (TMainForm::*handler)()) {
    connect(button, &QPushButton::clicked, this, handler);
  };
  click(BtnOpen, &TMainForm::BtnOpenClick);
  click(BtnClose, &TMainForm::BtnCloseClick);
  click(BtnDefault, &TMainForm::BtnDefaultClick);
  click(BtnConfirm, &TMainForm::BtnConfirmClick);
  click(BtnNMEAQuery, &TMainForm::BtnNMEAQueryClick);
  click(BtnSetFixRate, &TMainForm::BtnSetFixRateClick);
  click(BtnQueryFixRate, &TMainForm::BtnQueryFixRateClick);
  click(BtnSetBaud, &TMainForm::BtnSetBaudClick);
  click(BtnDGPSQuery, &TMainForm::BtnDGPSQueryClick);
  click(BtnDGPSSet, &TMainForm::BtnDGPSSetClick);
  click(BtnDatumQuery, &TMainForm::BtnDatumQueryClick);
  click(BtnDatumSet, &TMainForm::BtnDatumSetClick);
  click(BtnIntegrity, &TMainForm::BtnIntegrityClick);
  click(BtnQIntegrity, &TMainForm::BtnQIntegrityClick);
  click(BtnFlashSet, &TMainForm::BtnFlashSetClick);
  click(BtnQFlash, &TMainForm::BtnQFlashClick);
  click(BtnWakeUp, &TMainForm::BtnWakeUpClick);
  click(BtnQuery, &TMainForm::BtnQueryClick);
  click(BtnTCXO, &TMainForm::BtnTCXOClick);
  click(BtnHot, &TMainForm::BtnHotClick);
  click(BtnWarm, &TMainForm::BtnWarmClick);
  click(BtnCold, &TMainForm::BtnColdClick);
  click(BtnLog, &TMainForm::BtnLogClick);
  click(BtnLogging, &TMainForm::BtnLoggingClick);
  click(Btn101Open, &TMainForm::Btn101OpenClick);
  click(Btn101Close, &TMainForm::Btn101CloseClick);
  click(BtnTestAcq, &TMainForm::BtnTestAcqClick);
  click(BtnTestTrack, &TMainForm::BtnTestTrackClick);
  click(BtnTestAll, &TMainForm::BtnTestAllClick);
  click(BtnTestStop, &TMainForm::BtnTestStopClick);
  connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
  connect(Timer2, &QTimer::timeout, this, &TMainForm::Timer2Timer);

  // A list changes when the user picks a row or types; code that sets a
  // list does not count.
  auto change = [this](QComboBox* list, void (TMainForm::*handler)()) {
    connect(list, &QComboBox::activated, this, handler);
    connect(list->lineEdit(), &QLineEdit::textEdited, this, handler);
  };
  change(CmbGLL, &TMainForm::CmbGLLChange);
  change(CmbRMC, &TMainForm::CmbRMCChange);
  change(CmbVTG, &TMainForm::CmbVTGChange);
  change(CmbGSA, &TMainForm::CmbGSAChange);
  change(CmbGSV, &TMainForm::CmbGSVChange);
  change(CmbGGA, &TMainForm::CmbGGAChange);
  change(CmbZDA, &TMainForm::CmbZDAChange);
  change(CmbQCHN, &TMainForm::CmbQCHNChange);
  change(CmbSetBaud, &TMainForm::CmbSetBaudChange);
  change(CmbBaud, &TMainForm::CmbBaudChange);
  change(CmbFixRate, &TMainForm::CmbFixRateChange);

  connect(ChartSNR, &TChart::Clicked, this, &TMainForm::ChartSNRClick);
  connect(ChartSNR, &TChart::DoubleClicked, this, &TMainForm::ChartSNRDblClick);
}

void TMainForm::ShowTestBenchPage() {
  // Six tabs are wider than the window: each gives up a little of its
  // margin rather than "About" falling off the edge.
  auto* compact = new CompactTabs(QStyleFactory::create(style()->name()));
  compact->setParent(PageControl1->tabBar());
  PageControl1->tabBar()->setStyle(compact);
  PageControl1->setTabVisible(4, true);
  PageControl1->tabBar()->setTabEnabled(4, true);
}

void TMainForm::ShowAllGnss() {
  allGnss_ = true;
  Session.SetTalkers(vantrel::TalkerSet::AllGnss());
  // The chart's description lists the satellites for a screen reader.
  ChartSNR->setAccessibleName(QStringLiteral("Satellites in view"));
}

void TMainForm::FormCreate() {
  ChartSNR->Clear();
  DisableReceiverControls();
  DisableTestControls();
  for (int i = 1; i <= 32; ++i) ChartSNR->AddBar(i, 55, QString::number(i), kBlue);
  OutputLoad();
  StringGrid1->setEnabled(false);
  const char* header[4] = {"Channel", "SVid", "SNR", "Status"};
  for (int c = 0; c < 4; ++c) StringGrid1->item(0, c)->setText(QString::fromLatin1(header[c]));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
}

namespace {

// The receiver-dependent controls, in the order they are switched.
template <typename Form>
std::array<QWidget*, 28> ReceiverControls(Form* f) {
  return {f->BtnHot,        f->BtnWarm,       f->BtnCold,       f->BtnLog,
          f->BtnDGPSSet,    f->BtnDGPSQuery,  f->BtnDatumQuery, f->BtnDatumSet,
          f->BtnConfirm,    f->BtnDefault,    f->BtnNMEAQuery,  f->BtnQuery,
          f->BtnTCXO,       f->BtnWakeUp,     f->BtnSetFixRate, f->BtnQueryFixRate,
          f->BtnSetBaud,    f->ChkBoxPower,   f->BtnIntegrity,  f->BtnQIntegrity,
          f->BtnFlashSet,   f->ChkFlashProtect, f->BtnQFlash,   f->Cmb101Com,
          f->Cmb101Baud,    f->Cmb101SV,      f->CmbDegrade,    f->Btn101Open};
}

template <typename Form>
std::array<QWidget*, 11> TestControls(Form* f) {
  return {f->CmbAcqCNR,   f->CmbAcqTime,        f->CmbAcqIteration, f->BtnAcqExport,
          f->CmbTrackCNR, f->CmbTrackDur,       f->CmbTrackIteration, f->BtnTrackExport,
          f->BtnTestAcq,  f->BtnTestTrack,      f->BtnTestAll};
}

}  // namespace

void TMainForm::DisableReceiverControls() {
  for (QWidget* control : ReceiverControls(this)) control->setEnabled(false);
}

void TMainForm::EnableReceiverControls() {
  for (QWidget* control : ReceiverControls(this)) control->setEnabled(true);
}

void TMainForm::DisableTestControls() {
  for (QWidget* control : TestControls(this)) control->setEnabled(false);
}

void TMainForm::EnableTestControls() {
  for (QWidget* control : TestControls(this)) control->setEnabled(true);
}

void TMainForm::OutputLoad() {
  const QComboBox* lists[kOutputSentenceCount] = {CmbGLL, CmbRMC, CmbVTG, CmbGSA,
                                                  CmbGSV, CmbGGA, CmbZDA, CmbQCHN};
  int positions[kOutputSentenceCount];
  for (int i = 0; i < kOutputSentenceCount; ++i) positions[i] = ItemIndex(lists[i]);
  const auto load = ComputeOutputLoad(positions, CmbFixRate->currentText().toStdString(),
                                      CmbSetBaud->currentText().toStdString());
  // A text that is not a whole number (often a half-typed one) leaves the
  // display as it was.
  if (!load) return;
  if (load->OverLine) {
    SetFontColour(LabelPercent, kRed);
    BtnConfirm->setEnabled(false);
  } else {
    SetFontColour(LabelPercent, kBlack);
    if (PortOpen()) BtnConfirm->setEnabled(true);
  }
  SetCaption(LabelPercent, QString::fromStdString(LoadText(load->Percent)));
}

void TMainForm::CmbGLLChange() { OutputLoad(); }
void TMainForm::CmbRMCChange() { OutputLoad(); }
void TMainForm::CmbVTGChange() { OutputLoad(); }
void TMainForm::CmbGSAChange() { OutputLoad(); }
void TMainForm::CmbGSVChange() { OutputLoad(); }
void TMainForm::CmbGGAChange() { OutputLoad(); }
void TMainForm::CmbZDAChange() { OutputLoad(); }
void TMainForm::CmbQCHNChange() { OutputLoad(); }
void TMainForm::CmbSetBaudChange() { OutputLoad(); }
void TMainForm::CmbBaudChange() { OutputLoad(); }

void TMainForm::CmbFixRateChange() {
  SetCaption(LabelHz, CmbFixRate->currentText());
  OutputLoad();
}

void TMainForm::SetCaption(QLabel* label, const QString& text) {
  if (label->text() != text) label->setText(text);
}
