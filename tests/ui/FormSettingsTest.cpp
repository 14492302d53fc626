// The settings buttons of the Setup, Test and About pages on an open (fake)
// port: the exact bytes each writes, its pauses, the reader restarts, the
// display reset of Confirm, the reopen after a baud or flash change, and what
// a list text that cannot be sent leads to. The sentences themselves are
// tabled in the command core's tests.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

#include "link/Thread.h"
#include "tests/link/FakeSerialPort.h"
#include "tests/ui/FakeSeams.h"
#include "tests/ui/OpenFormFixture.h"
#include "ui/Lists.h"
#include "ui/SkyView.h"
#include "ui/Chart.h"

namespace {

using namespace std::string_literals;
using vantrel::ItemIndex;
using vantrel::SelectItem;
using vantrel::SetListText;
using Writes = std::vector<std::string>;
using Pauses = std::vector<int>;

class FormSettingsTest : public vantrel::testing::OpenFormFixture {
 protected:
  Writes Written() { return ports.Device().Writes(); }
  Pauses Paused() { return seams.Pauses.Recorded; }


 public:
  // What stood at each pause of a click: how long, how many writes came
  // before it, and whether the reader was still the one from before.
  struct AtPause {
    int ms;
    size_t writesBefore;
    bool sameReader;
    bool operator==(const AtPause&) const = default;
  };

 protected:
  std::vector<AtPause> PausesOf(void (TMainForm::*click)()) {
    Forget();
    std::vector<AtPause> seen;
    const vantrel::TNMEAThread* before = form.ReaderThread;
    seams.Pauses.OnSleep = [&](int ms) { seen.push_back({ms, Written().size(), form.ReaderThread == before}); };
    (form.*click)();
    seams.Pauses.OnSleep = nullptr;
    return seen;
  }
};

void PrintTo(const FormSettingsTest::AtPause& p, std::ostream* os) {
  *os << "{" << p.ms << " ms after " << p.writesBefore << " writes, " << (p.sameReader ? "same" : "new") << " reader}";
}

// The order of a handler's pauses, writes and reader restart, where the
// receiver depends on it.
TEST_F(FormSettingsTest, PausesFallBetweenWritesAndRestartsWhereDue) {
  form.RadioWAASEnable->setChecked(true);
  const struct {
    const char* name;
    void (TMainForm::*click)();
    std::vector<AtPause> pauses;
  } cases[] = {
      {"Confirm waits before its write", &TMainForm::BtnConfirmClick, {{1500, 0, true}}},
      {"DGPS Set restarts between its lines", &TMainForm::BtnDGPSSetClick, {{400, 1, true}, {400, 2, false}}},
  };
  for (const auto& c : cases) EXPECT_EQ(PausesOf(c.click), c.pauses) << c.name;
}

TEST_F(FormSettingsTest, DefaultThenConfirmWritesTheRatesAfterItsPauseAndStartsTheDisplayAfresh) {
  SelectItem(form.CmbGSV, 5);
  SelectItem(form.CmbZDA, 3);
  form.LabelLat->setText("N   25.50000");
  form.StringGrid1->setEnabled(true);
  form.ChartSNR->AddBar(0, 40, "5", QColor(0, 0, 255));
  form.ImgSV->Picture.fill(Qt::black);
  vantrel::TNMEAThread* before = form.ReaderThread;

  form.BtnDefaultClick();
  EXPECT_EQ(ItemIndex(form.CmbGSV), 1);
  EXPECT_EQ(ItemIndex(form.CmbZDA), 0);
  EXPECT_EQ(form.LabelPercent->text(), "15.0%");
  EXPECT_TRUE(Written().empty());  // Default sends nothing

  form.BtnConfirmClick();
  EXPECT_EQ(Written(), Writes{"$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0*28\r\n"});
  EXPECT_EQ(Written()[0].size(), 51u);
  EXPECT_EQ(Paused(), Pauses{1500});
  EXPECT_EQ(form.LabelLat->text(), "");
  EXPECT_FALSE(form.StringGrid1->isEnabled());
  EXPECT_EQ(form.ChartSNR->Count(), 0);
  EXPECT_EQ(form.ImgSV->Picture, form.ImgSVOrig->Picture);
  EXPECT_NE(form.ReaderThread, before);
  EXPECT_NE(form.ReaderThread, nullptr);
}

TEST_F(FormSettingsTest, ConfirmSendsTypedTextsUnchangedAndRefusesWhatTheReceiverWouldNot) {
  SetListText(form.CmbGLL, "007");
  form.BtnConfirmClick();
  EXPECT_EQ(Written(), Writes{"$PQOL314,007,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0*2E\r\n"});

  struct Case {
    QComboBox* list;
    const char* text;
    const char* message;
  } refused[] = {
      {form.CmbQCHN, "256", "Warning!! The value of NMEA frequency doesn't allow more than 255."},
      {form.CmbGSV, "two", "'two' is not a valid integer value."},
      {form.CmbZDA, "", "'' is not a valid integer value."},  // a list left without selection
  };
  for (const Case& c : refused) {
    form.BtnDefaultClick();
    Forget();
    SetListText(c.list, c.text);
    vantrel::TNMEAThread* before = form.ReaderThread;
    form.BtnConfirmClick();
    EXPECT_TRUE(Written().empty()) << c.text;
    EXPECT_TRUE(Paused().empty()) << c.text;
    EXPECT_EQ(seams.Boxes.Texts, std::vector<QString>{c.message}) << c.text;
    EXPECT_EQ(form.ReaderThread, before) << c.text;
  }
}

TEST_F(FormSettingsTest, LoadAboveTheLineDisablesConfirm) {
  SelectItem(form.CmbSetBaud, 0);  // 4800
  form.CmbSetBaudChange();
  EXPECT_EQ(form.LabelPercent->text(), "119.8%");
  EXPECT_EQ(form.LabelPercent->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_FALSE(form.BtnConfirm->isEnabled());
  SelectItem(form.CmbSetBaud, 1);  // 9600
  form.CmbSetBaudChange();
  EXPECT_EQ(form.LabelPercent->text(), "59.9%");
  EXPECT_EQ(form.LabelPercent->palette().color(QPalette::WindowText), QColor(0, 0, 0));
  EXPECT_TRUE(form.BtnConfirm->isEnabled());
}

TEST_F(FormSettingsTest, EachButtonWritesItsExactBytesWithItsPause) {
  SelectItem(form.CmbFixRate, 4);    // 5 Hz
  SelectItem(form.CmbDatum, 222);
  form.RadioTest->setChecked(true);
  struct Case {
    const char* name;
    void (TMainForm::*click)();
    Writes writes;
    Pauses pauses;
  } cases[] = {
      {"fix rate", &TMainForm::BtnSetFixRateClick, {"$PQOL220,200*2C\r\n"}, {400}},
      {"datum", &TMainForm::BtnDatumSetClick, {"$PQOL330,222*2C\r\n"}, {400}},
      {"test mode", &TMainForm::BtnIntegrityClick, {"$PQOL319,0*25\r\n"}, {400}},
      {"integrity query", &TMainForm::BtnQIntegrityClick, {"$PQOL419*3E\r\n"}, {400}},
      {"flash query", &TMainForm::BtnQFlashClick, {"$PQOL490*3F\r\n"}, {400}},
      {"firmware", &TMainForm::BtnQueryClick, {"$PQOL605*31\r\n\0"s}, {400}},
      {"oscillator", &TMainForm::BtnTCXOClick, {"$PQOL456*35\r\n\0"s}, {400}},
      {"output query", &TMainForm::BtnNMEAQueryClick, {"$PQOL414*33\r\n"}, {400}},
      {"fix rate query", &TMainForm::BtnQueryFixRateClick, {"$PQOL400*36\r\n"}, {400}},
      {"DGPS query", &TMainForm::BtnDGPSQueryClick, {"$PQOL602*36\r\n", "$PQOL401*37\r\n"}, {400, 400}},
      {"datum query", &TMainForm::BtnDatumQueryClick, {"$PQOL430*35\r\n"}, {400}},
  };
  for (const Case& c : cases) {
    Forget();
    (form.*c.click)();
    EXPECT_EQ(Written(), c.writes) << c.name;
    EXPECT_EQ(Paused(), c.pauses) << c.name;
    EXPECT_TRUE(seams.Boxes.Texts.empty()) << c.name;
  }
  // Integrity Set sends the mode that is selected.
  form.RadioIntegrity->setChecked(true);
  Forget();
  form.BtnIntegrityClick();
  EXPECT_EQ(Written(), Writes{"$PQOL319,1*24\r\n"});
  // Byte counts the receiver depends on: the zero byte goes in the same write.
  Forget();
  form.BtnQueryClick();
  EXPECT_EQ(Written()[0].size(), 14u);
}

TEST_F(FormSettingsTest, DgpsSetWritesItsBranchAndRestartsTheReaderBetweenWhereDue) {
  struct Case {
    QRadioButton* radio;
    Writes writes;
    bool restarts;
  } cases[] = {
      {form.RadioWAASEnable, {"$PQOL313,1*2E\r\n", "$PQOL301,2*2E\r\n\0"s}, true},
      {form.RadioRTCMEnable, {"$PQOL250,1,0,38400*27\r\n", "$PQOL301,1*2D\r\n\0"s}, false},
      {form.RadioBothDisable, {"$PQOL313,0*2F\r\n", "$PQOL301,0*2C\r\n\0"s}, true},
  };
  SetListText(form.CmbRTCMBaud, "38400");
  for (const Case& c : cases) {
    Forget();
    c.radio->setChecked(true);
    vantrel::TNMEAThread* before = form.ReaderThread;
    form.BtnDGPSSetClick();
    EXPECT_EQ(Written(), c.writes) << c.radio->text().toStdString();
    EXPECT_EQ(Written()[1].size(), 16u);
    EXPECT_EQ(Paused(), (Pauses{400, 400}));
    EXPECT_EQ(form.ReaderThread != before, c.restarts) << c.radio->text().toStdString();
  }
}

TEST_F(FormSettingsTest, FlashWritesTheFormWithoutAPauseAndReopensLater) {
  SetListText(form.CmbDatum, "(0) WGS1984 \"International\"");  // typed: no row
  form.BtnFlashSetClick();
  EXPECT_EQ(Written(), Writes{"$PQOL390,0,1,38400,1,1,1,1,1,1,0,0,-1,0,9600*25\r\n"});
  EXPECT_TRUE(Paused().empty());
  EXPECT_TRUE(form.ReopenPending);

  Forget();
  form.ChkFlashProtect->setChecked(true);
  form.RadioRTCMEnable->setChecked(true);
  form.BtnFlashSetClick();
  EXPECT_EQ(Written(), Writes{"$PQOL390,1,1,38400,1,1,1,1,1,1,0,0,-1,1,9600*25\r\n"});
}

TEST_F(FormSettingsTest, WakeUpWritesFourteenBytesAndRestartsTheReader) {
  vantrel::TNMEAThread* before = form.ReaderThread;
  form.BtnWakeUpClick();
  EXPECT_EQ(Written(), Writes{"$PQOL188*33\r\n\0"s});
  EXPECT_EQ(Written()[0].size(), 14u);
  EXPECT_EQ(Paused(), Pauses{400});
  EXPECT_NE(form.ReaderThread, before);
  EXPECT_NE(form.ReaderThread, nullptr);
}

TEST_F(FormSettingsTest, BaudSetReopensAtTheRateSentEvenIfTheListChangesMeanwhile) {
  SelectItem(form.CmbSetBaud, 6);
  form.BtnSetBaudClick();
  EXPECT_EQ(Written(), Writes{"$PQOL251,115200*1F\r\n"});
  EXPECT_EQ(Paused(), Pauses{400});
  EXPECT_TRUE(form.ReopenPending);

  SelectItem(form.CmbSetBaud, 0);  // the user picks another row before the reopen
  for (int i = 0; i < 4; ++i) form.Timer1Tick();
  EXPECT_EQ(ports.Device().Bauds().back(), 115200);
  EXPECT_EQ(ItemIndex(form.CmbBaud), 6);
  EXPECT_TRUE(form.PortOpen());
}

TEST_F(FormSettingsTest, TheUsersCloseDropsAPendingReopen) {
  SelectItem(form.CmbSetBaud, 6);
  form.BtnSetBaudClick();
  form.BtnCloseClick();
  form.BtnOpenClick();  // at the list's 38400
  for (int i = 0; i < 5; ++i) form.Timer1Tick();
  EXPECT_EQ(ports.Device().Bauds().back(), 38400);
  EXPECT_FALSE(form.ReopenPending);
}

TEST_F(FormSettingsTest, BaudThatIsNoNumberIsNeverSentNorReopenedAt) {
  for (const char* text : {"fast", ""}) {
    Forget();
    SetListText(form.CmbSetBaud, text);
    form.BtnSetBaudClick();
    form.BtnFlashSetClick();
    EXPECT_TRUE(Written().empty()) << text;
    EXPECT_FALSE(form.ReopenPending) << text;
    const QString message = QStringLiteral("'%1' is not a valid integer value.").arg(text);
    EXPECT_EQ(seams.Boxes.Texts, (std::vector<QString>{message, message})) << text;
  }
}

TEST_F(FormSettingsTest, WithThePortClosedNoButtonWritesOrSpeaks) {
  form.BtnCloseClick();
  Forget();
  for (auto click : {&TMainForm::BtnConfirmClick, &TMainForm::BtnSetFixRateClick, &TMainForm::BtnSetBaudClick,
                     &TMainForm::BtnDGPSSetClick, &TMainForm::BtnDatumSetClick, &TMainForm::BtnIntegrityClick,
                     &TMainForm::BtnFlashSetClick, &TMainForm::BtnWakeUpClick, &TMainForm::BtnQueryClick,
                     &TMainForm::BtnTCXOClick}) {
    (form.*click)();
  }
  EXPECT_TRUE(Written().empty());
  EXPECT_TRUE(Paused().empty());
  EXPECT_TRUE(seams.Boxes.Texts.empty());
  EXPECT_FALSE(form.ReopenPending);
  EXPECT_EQ(form.ReaderThread, nullptr);
}

}  // namespace
