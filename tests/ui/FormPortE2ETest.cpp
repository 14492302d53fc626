// The window on vantrel-sim: opening the port fills it from the simulated
// module's replies, and it ends at once while the line floods.
#include <QComboBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/sim/SimHarness.h"
#include "tests/ui/FakeSeams.h"
#include "tests/ui/PortOpening.h"
#include "ui/Form.h"

namespace vantrel {
namespace {

using testing::kOpenQueries;

TEST(FormPortSim, OpenOnTheSimulatorFillsTheWindowFromItsReplies) {
  test::SimHarness sim({"--flash-writes", "7"});
  ASSERT_TRUE(sim.Started()) << sim.Error();
  testing::FakeSeams seams;
  TMainForm form(seams.Services());
  form.CmbCom->setEditText(QString::fromStdString(sim.ReceiverPath()));
  form.BtnOpenClick();
  ASSERT_TRUE(form.PortOpen());
  std::string expected;
  for (const auto& query : kOpenQueries) expected += query;
  ASSERT_TRUE(sim.WaitForReceived(expected));
  EXPECT_EQ(sim.ReceivedBytes(), expected);
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.GroupFlash->title().contains("remain  7  times"); }))
      << form.GroupFlash->title().toStdString();
  // The monitor fills while it is on screen.
  form.PageControl1->setCurrentWidget(form.TabSetup);
  form.show();
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.MemoNMEA->toPlainText().contains("$GPGGA"); }));

  // Close and open again at once: the device is free and answers again.
  form.BtnCloseClick();
  form.BtnOpenClick();
  EXPECT_TRUE(form.PortOpen());
  EXPECT_TRUE(seams.Boxes.Texts.empty());
  EXPECT_TRUE(sim.WaitForReceived(expected + expected));
}

TEST(FormPortSim, DestroyWhileTheSimulatorFloodsTheLineEndsAtOnce) {
  test::SimHarness sim({"--flood"});
  ASSERT_TRUE(sim.Started()) << sim.Error();
  testing::FakeSeams seams;
  auto form = std::make_unique<TMainForm>(seams.Services());
  ASSERT_TRUE(testing::OpenAndWatchTheStream(*form, sim.ReceiverPath()));
  form.reset();  // joins the reader; a hang fails the test by its time limit
  EXPECT_TRUE(sim.Running());
}

}  // namespace
}  // namespace vantrel
