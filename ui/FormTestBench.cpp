// The GPS-101 page: the signal generator's port and the sensitivity tests.
// The generator link and the sequencer are testbench/'s; this file hands
// them the window's controls, receiver session and seams.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "testbench/GeneratorLink.h"
#include "testbench/Sequencer.h"
#include "testbench/SessionReceiver.h"
#include "ui/ButtonPair.h"
#include "ui/Form.h"

using namespace vantrel;

namespace {

std::string TextOf(const QComboBox* list) { return list->currentText().toStdString(); }

}  // namespace

struct TMainForm::TestBench {
  explicit TestBench(TMainForm* form) : pauses(*form->Pauses), receiver(form->Session), panel(form) {}

  struct Panel final : BenchPanel {
    explicit Panel(TMainForm* form) : form(form) {}
    TestSettingTexts SettingTexts() override {
      TestSettingTexts texts;
      texts.AcqCnr = TextOf(form->CmbAcqCNR);
      texts.AcqTimeout = TextOf(form->CmbAcqTime);
      texts.TrackCnr = TextOf(form->CmbTrackCNR);
      texts.TrackDuration = TextOf(form->CmbTrackDur);
      texts.SvId = TextOf(form->Cmb101SV);
      texts.Degrade = TextOf(form->CmbDegrade);
      return texts;
    }
    void SetTicking(bool on) override {
      if (on) {
        form->Timer2->start();
      } else {
        form->Timer2->stop();
      }
    }
    void SetTestControlsEnabled(bool on) override {
      if (on) {
        form->EnableTestControls();
      } else {
        form->DisableTestControls();
      }
    }
    void SetStopEnabled(bool on) override { form->BtnTestStop->setEnabled(on); }
    void ShowResult(TestPhase phase, const std::string& text) override {
      QLabel* label = phase == TestPhase::Acquisition ? form->LabelAcqResult : form->LabelTrackResult;
      label->setText(QString::fromStdString(text));
    }
    void ShowMessage(const std::string& text) override {
      form->MessageBoxes->Show(form, QString::fromStdString(text));
    }
    void CloseGenerator() override { form->ReleaseGenerator(); }
    TMainForm* form;
  };

  std::unique_ptr<SerialPortFactory> posixPorts = MakePosixSerialPortFactory();
  IPauses& pauses;  // the window's seam
  SessionReceiver receiver;
  Panel panel;
  GeneratorLink generator{pauses};
  SensitivitySequencer sequencer{panel, generator, receiver, pauses};
};

TMainForm::TestBench& TMainForm::Bench() {
  if (!testBench_) testBench_ = std::make_shared<TestBench>(this);
  return *testBench_;
}

const SensitivitySequencer& TMainForm::Sequencer() { return Bench().sequencer; }

bool TMainForm::GeneratorPortOpen() const { return testBench_ && testBench_->generator.IsOpen(); }

bool TMainForm::SendRFLevel(int32_t level) { return Bench().generator.SendRFLevel(level); }

void TMainForm::Btn101OpenClick() {
  // Refused before the port is touched: a line that does not fit would
  // leave the generator half set up.
  const std::string sv = TextOf(Cmb101SV);
  if (!GeneratorSvLine(sv).ok()) {
    MessageBoxes->Show(this, QString::fromStdString(SvTextTooLongMessage(sv)));
    return;
  }
  SerialPortFactory* factory = GeneratorPorts != nullptr ? GeneratorPorts : Bench().posixPorts.get();
  // As for the receiver: the first line as it always was; below it, what
  // the system said and what helps.
  const std::string portName = TextOf(Cmb101Com);
  const auto refused = [&](const char* first) {
    QString text = QString::fromLatin1(first);
    if (const int error = Bench().generator.LastOpenError(); error != 0)
      text += QStringLiteral("\n") + QString::fromStdString(PortFailureText(error, DevicePath(portName), "generator"));
    MessageBoxes->Show(this, text);
  };
  switch (Bench().generator.Open(*factory, portName, TextOf(Cmb101Baud))) {
    case GeneratorLink::OpenOutcome::CannotOpen:
      refused(kCantOpenPortText);
      return;
    case GeneratorLink::OpenOutcome::SettingsRefused:
      refused(kGeneratorSettingErrorText);
      return;
    case GeneratorLink::OpenOutcome::Opened:
      break;
  }
  ShowInPlaceOf(Btn101Close, Btn101Open);
  for (QComboBox* list : {Cmb101Com, Cmb101Baud, Cmb101SV, CmbDegrade}) list->setEnabled(false);
  EnableTestControls();
  Bench().generator.SendStartLines(sv);
  // A generator that does not take its first lines is no generator to test with.
  if (const std::string why = Bench().generator.Failure(); !why.empty()) {
    ReleaseGenerator();
    MessageBoxes->Show(this, QString::fromStdString(why));
  }
}

void TMainForm::Btn101CloseClick() {
  // The tests stop even when the generator port is not open.
  Bench().sequencer.Handle(TestEvent::PortClosed);
  ReleaseGenerator();
}

void TMainForm::ReleaseGenerator() {
  if (!GeneratorPortOpen()) return;
  CloseGeneratorPort();
  for (QComboBox* list : {Cmb101Com, Cmb101Baud, Cmb101SV, CmbDegrade}) list->setEnabled(true);
}

void TMainForm::CloseGeneratorWithReceiver() {
  Bench().sequencer.Handle(TestEvent::PortClosed);
  // The four setting lists follow the receiver's control state.
  if (GeneratorPortOpen()) CloseGeneratorPort();
}

void TMainForm::CloseGeneratorPort() {
  Bench().generator.Close();
  ShowInPlaceOf(Btn101Open, Btn101Close);
  DisableTestControls();
  BtnTestStop->setEnabled(false);
}

void TMainForm::BtnTestAcqClick() { Bench().sequencer.Handle(TestEvent::AcqOnlyPressed); }
void TMainForm::BtnTestTrackClick() { Bench().sequencer.Handle(TestEvent::TrackOnlyPressed); }
void TMainForm::BtnTestAllClick() { Bench().sequencer.Handle(TestEvent::TestAllPressed); }
void TMainForm::BtnTestStopClick() { Bench().sequencer.Handle(TestEvent::StopPressed); }

// A finished test stops Timer2 before its message box opens, so no tick
// runs inside the box.
void TMainForm::Timer2Timer() { Bench().sequencer.Handle(TestEvent::TimerTick); }
