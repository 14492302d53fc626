#pragma once
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "link/Thread.h"
#include "tests/sim/SimHarness.h"
#include "tests/ui/FakeSeams.h"
#include "tests/ui/SimPacedPauses.h"
#include "ui/Form.h"
#include "ui/Lists.h"
#include "ui/RealSeams.h"
#include "ui/StatusBar.h"

namespace vantrel::testing {

// The window on the simulator's receiver link. The clock is the real
// monotonic one unless a test fakes it.
class FormSimFixture : public ::testing::Test {
 protected:
  // `baud`: the rate to open at when the module does not start at 38400.
  void Open(const std::vector<std::string>& simArgs, bool fakeClock = false, const QString& baud = QString()) {
    sim = std::make_unique<vantrel::test::SimHarness>(simArgs);
    ASSERT_TRUE(sim->Started()) << sim->Error();
    pauses.Sim = sim.get();
    FormServices services = seams.Services();
    services.Pauses = &pauses;
    if (!fakeClock) services.Clock = &realClock;
    form = std::make_unique<TMainForm>(services);
    vantrel::SetListText(form->CmbCom, QString::fromStdString(sim->ReceiverPath()));
    if (!baud.isEmpty()) vantrel::SelectItem(form->CmbBaud, form->CmbBaud->findText(baud));
    form->BtnOpenClick();
    ASSERT_TRUE(form->PortOpen()) << seams.Boxes.Texts.size();
  }
  void TearDown() override {
    if (form) form->FormDestroy();
  }

  // Runs the event loop, with Timer1 ticking for real, until `done`.
  bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  }
  bool BoxShown(const QString& text) {
    for (const QString& shown : seams.Boxes.Texts)
      if (shown == text) return true;
    return false;
  }
  QString Panel(int i) { return form->StatusBar1->PanelText(i); }
  bool HasFix() { return form->ReaderThread != nullptr && form->ReaderThread->FixType() != 0; }

  // Presses a restart button once the module has a fix, and waits for the
  // count to end; returns the time shown.
  double TimeToFirstFix(void (TMainForm::*button)(), int timeoutMs) {
    EXPECT_TRUE(RunUntil([&] { return HasFix(); }, 5000)) << "no fix before the restart";
    (form.get()->*button)();
    EXPECT_TRUE(RunUntil([&] { return form->RestartKind == vantrel::Restart::None; }, timeoutMs)) << Panel(1).toStdString();
    EXPECT_EQ(form->Timer1->interval(), 1000);
    QString shown = Panel(1);
    shown.chop(QStringLiteral(" sec(s)").size());
    bool ok = false;
    const double seconds = shown.toDouble(&ok);
    EXPECT_TRUE(ok) << Panel(1).toStdString();
    return seconds;
  }

  FakeSeams seams;
  SimPacedPauses pauses;
  vantrel::RealClock realClock;
  std::unique_ptr<vantrel::test::SimHarness> sim;
  std::unique_ptr<TMainForm> form;
};

}  // namespace vantrel::testing
