// The window as it stands after start-up: captions, lists, states, fonts.
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QLineEdit>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "tests/ui/FakeSeams.h"
#include "ui/Chart.h"
#include "ui/Lists.h"
#include "ui/SkyView.h"
#include "ui/StatusBar.h"

namespace {

using vantrel::ItemIndex;

class FormTest : public ::testing::Test {
 protected:
  vantrel::testing::FakeSeams seams;
  TMainForm form{seams.Services()};

  std::vector<QWidget*> ReceiverControls() {
    TMainForm& f = form;
    return {f.BtnHot,        f.BtnWarm,       f.BtnCold,         f.BtnLog,       f.BtnDGPSSet,
            f.BtnDGPSQuery,  f.BtnDatumQuery, f.BtnDatumSet,     f.BtnConfirm,   f.BtnDefault,
            f.BtnNMEAQuery,  f.BtnQuery,      f.BtnTCXO,         f.BtnWakeUp,    f.BtnSetFixRate,
            f.BtnQueryFixRate, f.BtnSetBaud,  f.ChkBoxPower,     f.BtnIntegrity, f.BtnQIntegrity,
            f.BtnFlashSet,   f.ChkFlashProtect, f.BtnQFlash,     f.Cmb101Com,    f.Cmb101Baud,
            f.Cmb101SV,      f.CmbDegrade,    f.Btn101Open};
  }
  std::vector<QWidget*> TestControls() {
    TMainForm& f = form;
    return {f.CmbAcqCNR,   f.CmbAcqTime,  f.CmbAcqIteration,   f.BtnAcqExport,
            f.CmbTrackCNR, f.CmbTrackDur, f.CmbTrackIteration, f.BtnTrackExport,
            f.BtnTestAcq,  f.BtnTestTrack, f.BtnTestAll};
  }
};

TEST_F(FormTest, WindowIsFixedAtItsSizeWithoutMaximize) {
  EXPECT_EQ(form.windowTitle(), "Vantrel");
  EXPECT_EQ(form.size(), QSize(304, 425));
  EXPECT_EQ(form.minimumSize(), QSize(304, 425));
  EXPECT_EQ(form.maximumSize(), QSize(304, 425));
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(form.windowFlags() & Qt::WindowSystemMenuHint);
  EXPECT_EQ(form.PageControl1->geometry(), QRect(0, 0, 304, 425));
}

TEST_F(FormTest, SixPagesInOrderWithTheGeneratorTabHidden) {
  const QStringList captions = {"Status", "Setup", "Channel", "Test", "GPS-101", "About"};
  ASSERT_EQ(form.PageControl1->count(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(form.PageControl1->tabText(i), captions[i]);
    EXPECT_EQ(form.PageControl1->isTabVisible(i), i != 4) << i;
  }
  EXPECT_EQ(form.PageControl1->currentIndex(), 0);
}

TEST_F(FormTest, ReceiverAndTestControlsStartDisabled) {
  for (QWidget* control : ReceiverControls()) EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
  for (QWidget* control : TestControls()) EXPECT_FALSE(control->isEnabled());
  EXPECT_FALSE(form.BtnTestStop->isEnabled());
  // The port's own controls stay usable.
  for (QWidget* control : {static_cast<QWidget*>(form.CmbCom), static_cast<QWidget*>(form.CmbBaud),
                           static_cast<QWidget*>(form.BtnOpen), static_cast<QWidget*>(form.CmbGLL),
                           static_cast<QWidget*>(form.RadioWAASEnable), static_cast<QWidget*>(form.MemoNMEA)})
    EXPECT_TRUE(control->isEnabled());
}

TEST_F(FormTest, ControlStatesSwitchExactlyTheTwentyEightControls) {
  form.EnableReceiverControls();
  for (QWidget* control : ReceiverControls()) EXPECT_TRUE(control->isEnabled());
  for (QWidget* control : TestControls()) EXPECT_FALSE(control->isEnabled());
  form.DisableReceiverControls();
  for (QWidget* control : ReceiverControls()) EXPECT_FALSE(control->isEnabled());
  form.EnableTestControls();
  for (QWidget* control : TestControls()) EXPECT_TRUE(control->isEnabled());
  EXPECT_FALSE(form.BtnTestStop->isEnabled());
  for (QWidget* control : ReceiverControls()) EXPECT_FALSE(control->isEnabled());
}

TEST_F(FormTest, AlternatingPairsAndHiddenControls) {
  form.show();
  EXPECT_TRUE(form.BtnOpen->isVisible());
  EXPECT_FALSE(form.BtnClose->isVisible());
  EXPECT_EQ(form.BtnOpen->geometry(), form.BtnClose->geometry());
  EXPECT_EQ(form.BtnLog->geometry(), form.BtnLogging->geometry());
  EXPECT_FALSE(form.BtnLogging->isVisibleTo(form.TabSetup));
  EXPECT_EQ(form.Btn101Open->geometry(), form.Btn101Close->geometry());
  EXPECT_FALSE(form.Btn101Close->isVisibleTo(form.Tab101));
  EXPECT_FALSE(form.ImgSVOrig->isVisibleTo(form.Panel1));
  EXPECT_FALSE(form.GroupTCXO->isVisibleTo(form.TabAbout));
  EXPECT_FALSE(form.GroupTestingTime->isVisibleTo(form.TabAbout));
  for (QWidget* hidden : {static_cast<QWidget*>(form.CmbAcqIteration), static_cast<QWidget*>(form.CmbTrackIteration),
                          static_cast<QWidget*>(form.LabelAcqIteration), static_cast<QWidget*>(form.LabelTrackIteration),
                          static_cast<QWidget*>(form.BtnAcqExport), static_cast<QWidget*>(form.BtnTrackExport)})
    EXPECT_FALSE(hidden->isVisibleTo(form.Tab101));
}

struct ListCase {
  const char* name;
  QComboBox* TMainForm::*list;
  int rows;
  const char* firstRow;
  const char* lastRow;
  int selected;  // -1: none
  const char* text;
};

TEST_F(FormTest, ListsHoldTheirRowsAndDefaults) {
  const ListCase cases[] = {
      {"CmbCom", &TMainForm::CmbCom, 100, "COM1", "COM100", -1, "COM1"},
      {"CmbBaud", &TMainForm::CmbBaud, 7, "4800", "115200", 4, "38400"},
      {"CmbGLL", &TMainForm::CmbGLL, 11, "0", "10", 1, "1"},
      {"CmbRMC", &TMainForm::CmbRMC, 11, "0", "10", 1, "1"},
      {"CmbVTG", &TMainForm::CmbVTG, 11, "0", "10", 1, "1"},
      {"CmbGSA", &TMainForm::CmbGSA, 11, "0", "10", 1, "1"},
      {"CmbGSV", &TMainForm::CmbGSV, 11, "0", "10", 1, "1"},
      {"CmbGGA", &TMainForm::CmbGGA, 11, "0", "10", 1, "1"},
      {"CmbZDA", &TMainForm::CmbZDA, 11, "0", "10", 0, "0"},
      {"CmbQCHN", &TMainForm::CmbQCHN, 11, "0", "10", -1, "0"},
      {"CmbFixRate", &TMainForm::CmbFixRate, 5, "1", "5", 0, "1"},
      {"CmbSetBaud", &TMainForm::CmbSetBaud, 7, "4800", "115200", -1, "38400"},
      {"CmbRTCMBaud", &TMainForm::CmbRTCMBaud, 7, "4800", "115200", 1, "9600"},
      {"CmbDatum", &TMainForm::CmbDatum, 223, "(0) WGS1984 \"International\"",
       "(222) Zanderij \"Suriname\"", -1, "(0) WGS1984 \"International\""},
      {"Cmb101Com", &TMainForm::Cmb101Com, 100, "COM1", "COM100", 0, "COM1"},
      {"Cmb101Baud", &TMainForm::Cmb101Baud, 7, "4800", "115200", 3, "19200"},
      {"Cmb101SV", &TMainForm::Cmb101SV, 37, "1", "37", 13, "14"},
      {"CmbDegrade", &TMainForm::CmbDegrade, 101, "0", "100", 40, "40"},
      {"CmbAcqCNR", &TMainForm::CmbAcqCNR, 51, "10", "60", 10, "20"},
      {"CmbAcqTime", &TMainForm::CmbAcqTime, 18, "10", "180", 5, "60"},
      {"CmbTrackCNR", &TMainForm::CmbTrackCNR, 51, "10", "60", 5, "15"},
      {"CmbTrackDur", &TMainForm::CmbTrackDur, 18, "10", "180", 2, "30"},
      {"CmbAcqIteration", &TMainForm::CmbAcqIteration, 100, "1", "100", -1, "20"},
      {"CmbTrackIteration", &TMainForm::CmbTrackIteration, 100, "1", "100", -1, "20"},
  };
  for (const ListCase& c : cases) {
    SCOPED_TRACE(c.name);
    QComboBox* list = form.*c.list;
    EXPECT_TRUE(list->isEditable());
    // The port list may also offer the serial devices present on this machine.
    if (list == form.CmbCom)
      ASSERT_GE(list->count(), c.rows);
    else
      ASSERT_EQ(list->count(), c.rows);
    EXPECT_EQ(list->itemText(0), QString::fromLatin1(c.firstRow));
    EXPECT_EQ(list->itemText(c.rows - 1), QString::fromLatin1(c.lastRow));
    EXPECT_EQ(ItemIndex(list), c.selected);
    EXPECT_EQ(list->currentText(), QString::fromLatin1(c.text));
  }
  EXPECT_EQ(form.CmbDatum->itemText(3), QString("(3) User \"Setting\tUser Setting\""));
  EXPECT_EQ(form.CmbDatum->itemText(83), QString("(83) Hongkong 1963 Hongkong"));
  for (int i = 0; i < 223; ++i)
    EXPECT_TRUE(form.CmbDatum->itemText(i).startsWith(QStringLiteral("(%1) ").arg(i))) << i;
}

TEST_F(FormTest, CaptionsAndStartValues) {
  EXPECT_EQ(form.BtnHot->text(), "Hot Start");
  EXPECT_EQ(form.BtnWarm->text(), "Warm Start");
  EXPECT_EQ(form.BtnCold->text(), "Cold Start");
  EXPECT_EQ(form.BtnOpen->text(), "Open");
  EXPECT_EQ(form.BtnClose->text(), "Close");
  EXPECT_EQ(form.BtnConfirm->text(), "Confirm");
  EXPECT_EQ(form.BtnLogging->text(), "Logging ...");
  EXPECT_EQ(form.BtnTestStop->text(), "Stop !");
  EXPECT_EQ(form.GroupFlash->title(), "Write setting into flash (remain  0  times to modify)");
  EXPECT_EQ(form.LabelHz->text(), "1");
  EXPECT_EQ(form.LabelAcqResult->text(), "?");
  EXPECT_EQ(form.LabelTrackResult->text(), "?");
  EXPECT_TRUE(form.RadioBothDisable->isChecked());
  EXPECT_FALSE(form.RadioWAASEnable->isChecked());
  EXPECT_TRUE(form.RadioIntegrity->isChecked());
  EXPECT_TRUE(form.MemoNMEA->isReadOnly());
  EXPECT_EQ(form.MemoNMEA->size(), QSize(297, 89));
  EXPECT_EQ(form.ChartSNR->size(), QSize(297, 113));
  EXPECT_EQ(form.ImgSV->size(), QSize(177, 177));
  EXPECT_EQ(form.ChartSNR->toolTip(),
            QString::fromUtf8("『Double Click』could change mode ; 『Single Click』could see more channels, if exist"));
  EXPECT_EQ(form.BtnTestAll->toolTip(), "Tracking test first, and then Acq test");
  for (QLabel* value : std::initializer_list<QLabel*>{
           form.LabelDate, form.LabelTime, form.LabelLat, form.LabelLon, form.LabelAlt, form.LabelFix,
           form.LabelSpeed, form.LabelTrack, form.LabelPDOP, form.LabelHDOP, form.LabelVDOP, form.LabelCurrent,
           form.LabelVersion}) {
    EXPECT_TRUE(value->text().isEmpty());
  }
  EXPECT_TRUE(form.LabelDate->alignment() & Qt::AlignRight);
  EXPECT_EQ(form.LabelDate->geometry().right() + 1, 280);
}

TEST_F(FormTest, TimersStatusBarAndSaveDialogStartAsSet) {
  EXPECT_FALSE(form.Timer1->isActive());
  EXPECT_FALSE(form.Timer2->isActive());
  EXPECT_EQ(form.Timer1->interval(), 1000);
  EXPECT_EQ(form.Timer2->interval(), 1000);
  EXPECT_EQ(form.StatusBar1->PanelText(0), "");
  EXPECT_EQ(form.StatusBar1->PanelText(1), "");
  EXPECT_EQ(form.StatusBar1->PanelRect(0).width(), 100);
  EXPECT_EQ(form.StatusBar1->PanelRect(1).right(), form.StatusBar1->width() - 1);
  const QFontMetrics metrics(form.StatusBar1->font());
  EXPECT_LE(metrics.horizontalAdvance("Please   Contact   QOL"), form.StatusBar1->PanelRect(1).width() - 4);
  EXPECT_LE(metrics.horizontalAdvance("TimeOut 1000 sec(s)"), form.StatusBar1->PanelRect(1).width() - 4);
  EXPECT_LE(metrics.horizontalAdvance("Problem   IC"), form.StatusBar1->PanelRect(0).width() - 4);
  EXPECT_EQ(form.SaveDialog1.fileName, "Vantrel.nma");
  EXPECT_EQ(form.SaveDialog1.filters,
            QStringList({"NMEA Files (*.nma)", "Text Files (*.txt)", "All Files (*.*)"}));
  EXPECT_EQ(form.SaveDialog1.filterIndex, 0);
}

TEST_F(FormTest, ChartStartsWithThirtyTwoBluePlaceholders) {
  EXPECT_FALSE(form.ChartChannelMode);
  EXPECT_EQ(form.ChartSNR->Title(), "CNR");
  EXPECT_EQ(form.ChartSNR->TitleColor(), QColor(0, 0, 255));
  ASSERT_EQ(form.ChartSNR->Count(), 32);
  for (int i = 0; i < 32; ++i) {
    const vantrel::ChartBar expected{double(i + 1), 55, QString::number(i + 1), QColor(0, 0, 255)};
    EXPECT_EQ(form.ChartSNR->Bar(i), expected);
  }
  EXPECT_EQ(form.ChartSNR->Page(), 1);
  EXPECT_EQ(form.ChartSNR->PageCount(), 2);
  EXPECT_EQ(form.ChartSNR->Minimum, 0);
  EXPECT_EQ(form.ChartSNR->Maximum, 70);
}

TEST_F(FormTest, GridShowsOnlyItsHeaderAndIsDisabled) {
  EXPECT_FALSE(form.StringGrid1->isEnabled());
  ASSERT_EQ(form.StringGrid1->rowCount(), 33);
  ASSERT_EQ(form.StringGrid1->columnCount(), 4);
  const QStringList header = {"Channel", "SVid", "SNR", "Status"};
  const int widths[] = {50, 50, 50, 122};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(form.StringGrid1->item(0, c)->text(), header[c]);
    EXPECT_EQ(form.StringGrid1->columnWidth(c), widths[c]);
  }
  for (int r = 1; r < 33; ++r) {
    EXPECT_EQ(form.StringGrid1->rowHeight(r), 15);
    for (int c = 0; c < 4; ++c) EXPECT_TRUE(form.StringGrid1->item(r, c)->text().isEmpty());
  }
}

TEST_F(FormTest, SkyViewStartsAsACopyOfTheBackground) {
  EXPECT_EQ(form.ImgSVOrig->Picture.size(), QSize(177, 177));
  EXPECT_EQ(form.ImgSV->Picture, form.ImgSVOrig->Picture);
  const QImage& bg = form.ImgSVOrig->Picture;
  EXPECT_EQ(bg.pixelColor(2, 2), QColor(Qt::black));
  EXPECT_EQ(bg.pixelColor(89, 100), QColor(Qt::white));   // north-south line
  EXPECT_EQ(bg.pixelColor(60, 90), QColor(Qt::white));    // west-east line
  EXPECT_EQ(bg.pixelColor(89, 90 - 69), QColor(Qt::white));  // horizon at the top
  EXPECT_EQ(bg.pixelColor(89 + 34, 90), QColor(Qt::white));  // inner circle
}

// Every caption must fit its control at the fixed geometry, and every
// character must come from one of the two window fonts: the full-width
// marks from the one built into the program, whatever the machine has.
TEST_F(FormTest, NoCaptionIsClippedOrMissingAGlyph) {
  ASSERT_EQ(form.font().families(), QStringList({QStringLiteral("Liberation Sans"), QStringLiteral("Vantrel Marks")}));
  const QFont latin(QStringLiteral("Liberation Sans"));
  const QFont cjk(QStringLiteral("Vantrel Marks"));
  EXPECT_EQ(QFontInfo(cjk).family(), QStringLiteral("Vantrel Marks"));
  const QFontMetrics latinMetrics(latin), cjkMetrics(cjk);
  auto glyphsPresent = [&](const QString& text) {
    for (const QChar ch : text)
      if (ch != '\t' && !latinMetrics.inFont(ch) && !cjkMetrics.inFont(ch)) return false;
    return true;
  };
  int checked = 0;
  for (QWidget* w : form.findChildren<QWidget*>()) {
    QString text;
    int needed = 0, available = w->width();
    if (auto* label = qobject_cast<QLabel*>(w)) {
      if (label->wordWrap() || label->text().isEmpty()) continue;
      text = label->text();
      needed = label->fontMetrics().horizontalAdvance(text.trimmed());  // blanks draw nothing
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
      text = button->text();
      needed = button->fontMetrics().horizontalAdvance(text) + 6;
    } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
      text = check->text();
      needed = check->sizeHint().width();
    } else if (auto* radio = qobject_cast<QRadioButton*>(w)) {
      text = radio->text();
      needed = radio->sizeHint().width();
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
      text = group->title();
      needed = group->fontMetrics().horizontalAdvance(text) + 12;
    } else {
      continue;
    }
    ++checked;
    EXPECT_LE(needed, available) << text.toStdString();
    EXPECT_TRUE(glyphsPresent(text)) << text.toStdString();
  }
  EXPECT_GT(checked, 100);
  for (int i = 0; i < form.PageControl1->count(); ++i) EXPECT_TRUE(glyphsPresent(form.PageControl1->tabText(i)));
}

TEST_F(FormTest, LongestEverydayValuesFitTheirLabels) {
  struct Case {
    QLabel* label;
    const char* text;
  };
  const Case cases[] = {
      {form.LabelDate, "2007/12/31"},   {form.LabelTime, "23:59:59.999"}, {form.LabelLat, "N   89.99999"},
      {form.LabelLon, "E 179.99999"},   {form.LabelAlt, "-1234.5"},       {form.LabelFix, "3D DGPS"},
      {form.LabelSpeed, "1852.0"},      {form.LabelTrack, "359.9"},       {form.LabelPDOP, "99.9"},
      {form.LabelPercent, "119.8%"},
  };
  for (const Case& c : cases)
    EXPECT_LE(c.label->fontMetrics().horizontalAdvance(c.text), c.label->width()) << c.text;
}

TEST_F(FormTest, DefaultsGiveFifteenPercentInBlack) {
  EXPECT_EQ(form.LabelPercent->text(), "15.0%");
  EXPECT_EQ(form.LabelPercent->palette().color(QPalette::WindowText), QColor(0, 0, 0));
  EXPECT_FALSE(form.BtnConfirm->isEnabled());  // port closed
}

struct LoadCase {
  const char* setBaud;
  const char* fixRate;
  int gsv;
  int qchn;
  const char* percent;
  bool red;
};

TEST_F(FormTest, LoadFollowsTheListsAndTheBaudToSet) {
  const LoadCase cases[] = {
      {"4800", "1", 1, -1, "119.8%", true},
      {"9600", "1", 1, -1, "59.9%", false},
      {"38400", "5", 1, -1, "74.9%", false},
      {"38400", "1", 2, -1, "11.6%", false},
      {"38400", "0", 1, -1, "0.0%", false},
      {"38400", "5", 1, 1, "107.8%", true},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.percent);
    form.CmbSetBaud->setEditText(c.setBaud);
    form.CmbFixRate->setEditText(c.fixRate);
    form.CmbGSV->setCurrentIndex(c.gsv);
    vantrel::SelectItem(form.CmbQCHN, c.qchn);
    form.CmbZDA->setCurrentIndex(c.qchn == 1 ? 1 : 0);
    form.CmbSetBaudChange();
    EXPECT_EQ(form.LabelPercent->text(), c.percent);
    EXPECT_EQ(form.LabelPercent->palette().color(QPalette::WindowText),
              c.red ? QColor(255, 0, 0) : QColor(0, 0, 0));
  }
}

TEST_F(FormTest, LoadOverTheLineDisablesConfirmAndBackUnderKeepsItOffWhileClosed) {
  form.BtnConfirm->setEnabled(true);
  form.CmbSetBaud->setEditText("4800");
  form.CmbSetBaudChange();
  EXPECT_FALSE(form.BtnConfirm->isEnabled());
  form.CmbSetBaud->setEditText("38400");
  form.CmbSetBaudChange();
  EXPECT_EQ(form.LabelPercent->text(), "15.0%");
  EXPECT_FALSE(form.BtnConfirm->isEnabled());  // the port is closed
}

TEST_F(FormTest, TypedNonNumbersLeaveTheLoadDisplayAsItWas) {
  form.CmbSetBaud->setEditText("4800");
  form.CmbSetBaudChange();
  ASSERT_EQ(form.LabelPercent->text(), "119.8%");
  for (const char* baud : {"abc", "", "9", "0", "96OO", "99999999999"}) {
    form.CmbSetBaud->setEditText(baud);
    form.CmbSetBaudChange();
    EXPECT_EQ(form.LabelPercent->text(), "119.8%") << baud;
    EXPECT_EQ(form.LabelPercent->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  }
  form.CmbSetBaud->setEditText("38400");
  form.CmbFixRate->setEditText("x");
  form.CmbFixRateChange();
  EXPECT_EQ(form.LabelHz->text(), "x");
  EXPECT_EQ(form.LabelPercent->text(), "119.8%");
  EXPECT_TRUE(seams.Boxes.Texts.empty());
}

TEST_F(FormTest, FixRateChangeSetsHzThenTheLoad) {
  form.CmbFixRate->setCurrentIndex(4);
  form.CmbFixRateChange();
  EXPECT_EQ(form.LabelHz->text(), "5");
  EXPECT_EQ(form.LabelPercent->text(), "74.9%");
}

TEST_F(FormTest, BaudOfThePortDoesNotChangeTheLoad) {
  form.CmbBaud->setCurrentIndex(0);
  form.CmbBaudChange();
  EXPECT_EQ(form.LabelPercent->text(), "15.0%");
}

TEST_F(FormTest, UserChangesOfAListRunItsHandler) {
  form.show();
  // Picking a row the way a user does raises the change handler.
  form.CmbGSV->setCurrentIndex(2);
  emit form.CmbGSV->activated(2);
  EXPECT_EQ(form.LabelPercent->text(), "11.6%");
  // A selection set by code does not.
  form.CmbGSV->setCurrentIndex(1);
  EXPECT_EQ(form.LabelPercent->text(), "11.6%");
}

TEST_F(FormTest, TypingARowsTextSelectsItAndOtherTextSelectsNone) {
  form.show();
  auto type = [](QComboBox* list, const QString& text) {
    list->lineEdit()->selectAll();
    list->lineEdit()->del();
    for (const QChar ch : text) QTest::keyClick(list->lineEdit(), ch.toLatin1());
  };
  type(form.CmbGSV, "2");
  EXPECT_EQ(ItemIndex(form.CmbGSV), 2);
  EXPECT_EQ(form.LabelPercent->text(), "11.6%");
  type(form.CmbGSV, "007");
  EXPECT_EQ(ItemIndex(form.CmbGSV), -1);
  EXPECT_EQ(form.CmbGSV->currentText(), "007");
  EXPECT_EQ(form.LabelPercent->text(), "8.3%");  // no row: GSV adds nothing
  type(form.CmbDatum, "x");
  EXPECT_EQ(ItemIndex(form.CmbDatum), -1);
  type(form.CmbSetBaud, "9600");
  EXPECT_EQ(ItemIndex(form.CmbSetBaud), 1);
  EXPECT_EQ(form.LabelPercent->text(), "33.0%");
}

// What a screen reader names each control of the nested groups on the Setup
// page; the captions on screen stay as they are.
TEST_F(FormTest, NestedSetupControlsHaveNamesOfTheirOwn) {
  TMainForm& f = form;
  const std::pair<QWidget*, const char*> named[] = {
      {f.CmbGLL, "GLL output rate"},      {f.CmbRMC, "RMC output rate"},
      {f.CmbVTG, "VTG output rate"},      {f.CmbGSA, "GSA output rate"},
      {f.CmbGSV, "GSV output rate"},      {f.CmbGGA, "GGA output rate"},
      {f.CmbZDA, "ZDA output rate"},      {f.CmbQCHN, "QCHN output rate"},
      {f.CmbSetBaud, "Baud rate to set"}, {f.BtnSetBaud, "Set baud rate"},
      {f.CmbFixRate, "Fix update rate"},  {f.BtnSetFixRate, "Set fix update rate"},
      {f.BtnQueryFixRate, "Query fix update rate"}};
  for (const auto& [control, name] : named)
    EXPECT_EQ(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), name);
  EXPECT_EQ(f.BtnSetBaud->text(), "Set");
  EXPECT_EQ(f.BtnQueryFixRate->text(), "Query");
}

TEST_F(FormTest, EnterPressesTheFocusedButtonAsSpaceDoes) {
  form.show();
  form.CmbCom->setCurrentText(QStringLiteral("/nonexistent/port"));
  form.BtnOpen->setFocus();
  QTest::keyClick(form.BtnOpen, Qt::Key_Return);
  QTest::keyClick(form.BtnOpen, Qt::Key_Enter, Qt::KeypadModifier);
  ASSERT_EQ(seams.Boxes.Texts.size(), 2u);
  EXPECT_TRUE(seams.Boxes.Texts[0].startsWith("Can't Open ComPort!!"));
  // A disabled button stays unpressed.
  QTest::keyClick(form.BtnDefault, Qt::Key_Return);
  EXPECT_EQ(seams.Boxes.Texts.size(), 2u);
}

}  // namespace
