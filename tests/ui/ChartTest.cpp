// The SNR chart: its paging, the bars a refresh gives it in either mode, and
// the clicks that page it and switch its mode.
#include <QTest>
#include <gtest/gtest.h>
#include <utility>

#include "tests/ui/RefreshFixture.h"
#include "ui/Chart.h"

namespace {

using namespace vantrel::testing;
using vantrel::ChartBar;
using vantrel::ReceiverRecord;

TEST(ChartPaging, SixteenBarsAPage) {
  struct Case {
    int bars, pages, lastPageBars;
  };
  const Case cases[] = {{0, 1, 0}, {16, 1, 16}, {17, 2, 1}, {20, 2, 4}, {32, 2, 16}};
  for (const Case& c : cases) {
    vantrel::ChartPaging paging;
    EXPECT_EQ(paging.PageCount(c.bars), c.pages) << c.bars;
    paging.Next(c.bars);
    EXPECT_EQ(paging.ShownPage(c.bars), c.pages);
    EXPECT_EQ(paging.PointsOnPage(c.bars), c.lastPageBars);
    paging.Next(c.bars);  // nothing past the last page
    EXPECT_EQ(paging.ShownPage(c.bars), c.pages);
    paging.Previous(c.bars);
    paging.Previous(c.bars);  // nothing before the first
    EXPECT_EQ(paging.ShownPage(c.bars), 1);
  }
}

TEST(ChartPaging, ChosenPageOutlivesAnEmptySeries) {
  vantrel::ChartPaging paging;
  paging.Next(20);
  EXPECT_EQ(paging.ShownPage(0), 1);  // cleared: one empty page
  EXPECT_EQ(paging.PointsOnPage(0), 0);
  EXPECT_EQ(paging.ShownPage(20), 2);  // refilled: still the second page
  EXPECT_EQ(paging.FirstPoint(20), 16);
  EXPECT_EQ(paging.ShownPage(10), 1);  // fewer points: the last page there is
  paging.Previous(10);
  EXPECT_EQ(paging.ShownPage(20), 1);
}

class ChartTest : public RefreshFixture {};

TEST_F(ChartTest, CompleteGroupIsSortedByPrnAndChartedWithSignalOnly) {
  AddSat(17, 40, 30, 10, 1);
  AddSat(3, 0, 60, 200);  // no signal: a disc but no bar
  AddSat(0, 35, 10, 10);  // no PRN: neither
  AddSat(9, 22, 45, 45, 0);
  record.GsvComplete = true;
  record.ChannelsUpdated = true;
  form.RefreshStatus(record);
  EXPECT_EQ(record.SatsInView[0].Prn, 0);
  EXPECT_EQ(record.SatsInView[1].Prn, 3);
  EXPECT_EQ(record.SatsInView[2].Prn, 9);
  EXPECT_EQ(record.SatsInView[3].Prn, 17);
  ASSERT_EQ(form.ChartSNR->Count(), 2);
  EXPECT_EQ(form.ChartSNR->Bar(0), (ChartBar{0, 22, "9", kWhite}));
  EXPECT_EQ(form.ChartSNR->Bar(1), (ChartBar{1, 40, "17", kBlue}));
  EXPECT_EQ(record.GsvComplete, 0);
  EXPECT_EQ(record.ChannelsUpdated, 1);
  // Without a completed group nothing is sorted or rebuilt.
  std::swap(record.SatsInView[2], record.SatsInView[3]);
  form.ChartSNR->Clear();
  form.RefreshStatus(record);
  EXPECT_EQ(record.SatsInView[2].Prn, 17);
  EXPECT_EQ(form.ChartSNR->Count(), 0);
}

TEST_F(ChartTest, TableIsWalkedOnlyOverTheAnnouncedCount) {
  for (int i = 0; i < 20; ++i) record.SatsInView[i] = {40 - i, 30, 45, 45, 0};
  record.SatsInViewCount = 3;
  record.GsvComplete = true;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->Count(), 3);
  EXPECT_EQ(record.SatsInView[0].Prn, 38);
  EXPECT_EQ(record.SatsInView[3].Prn, 37);  // beyond the count: untouched
  record.SatsInViewCount = 99;              // more than the table: 20 at most
  record.GsvComplete = true;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->Count(), 20);
  EXPECT_EQ(form.ChartSNR->PageCount(), 2);
  form.ChartSNRClick();
  EXPECT_EQ(form.ChartSNR->Page(), 2);
}

TEST_F(ChartTest, SecondPageStaysShownWhileTheChartIsRebuilt) {
  for (int i = 0; i < 20; ++i) AddSat(i + 1, 30, 45, 18 * i, 1);
  record.GsvComplete = true;
  form.RefreshStatus(record);
  form.ChartSNRClick();
  ASSERT_EQ(form.ChartSNR->Page(), 2);
  record.SatsInView[19].Snr = 31;  // the next group
  record.GsvComplete = true;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->Page(), 2);
  EXPECT_EQ(form.ChartSNR->Count(), 20);
  form.ChartSNRClick();
  EXPECT_EQ(form.ChartSNR->Page(), 1);
}

TEST_F(ChartTest, ChannelModeChartsAllThirtyTwoChannelsByStatus) {
  form.ChartSNRDblClick();
  ASSERT_TRUE(form.ChartChannelMode);
  for (int i = 0; i < 32; ++i) record.Channels[i] = {i + 1, i, uint8_t(i % 3)};
  record.Channels[5].Status = 9;
  record.GsvComplete = true;
  AddSat(4, 30, 10, 10);
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->Count(), 0);  // no channel table yet
  EXPECT_EQ(record.GsvComplete, 0);
  record.ChannelsUpdated = true;
  form.RefreshStatus(record);
  ASSERT_EQ(form.ChartSNR->Count(), 32);
  EXPECT_EQ(form.ChartSNR->Bar(0), (ChartBar{0, 0, "1", kWhite}));
  EXPECT_EQ(form.ChartSNR->Bar(1), (ChartBar{1, 1, "2", kPurple}));
  EXPECT_EQ(form.ChartSNR->Bar(2), (ChartBar{2, 2, "3", kRed}));
  EXPECT_EQ(form.ChartSNR->Bar(5).Color, kRed);
  EXPECT_EQ(record.ChannelsUpdated, 0);
  EXPECT_TRUE(form.StringGrid1->isEnabled());
}

TEST_F(ChartTest, ClicksPageOnlyWhenThereIsASecondPage) {
  struct Case {
    int bars;
    int afterOne, afterTwo;
  };
  const Case cases[] = {{16, 1, 1}, {17, 2, 1}, {20, 2, 1}, {32, 2, 1}};
  for (const Case& c : cases) {
    AddBars(c.bars);
    form.ChartSNRClick();
    EXPECT_EQ(form.ChartSNR->Page(), c.afterOne) << c.bars;
    form.ChartSNRClick();
    EXPECT_EQ(form.ChartSNR->Page(), c.afterTwo) << c.bars;
  }
}

TEST_F(ChartTest, DoubleClickSwitchesModeAndEmptiesTheChart) {
  // Placeholder state: emptied, channel mode, red title.
  form.ChartSNRDblClick();
  EXPECT_TRUE(form.ChartChannelMode);
  EXPECT_EQ(form.ChartSNR->Count(), 0);
  EXPECT_EQ(form.ChartSNR->TitleColor(), kRed);
  // The next channel table fills it.
  record.ChannelsUpdated = true;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->Count(), 32);
  // Channel mode: back to satellites in view, blue title, empty until a group.
  form.ChartSNRClick();
  form.ChartSNRDblClick();
  EXPECT_FALSE(form.ChartChannelMode);
  EXPECT_EQ(form.ChartSNR->Count(), 0);
  EXPECT_EQ(form.ChartSNR->Page(), 1);
  EXPECT_EQ(form.ChartSNR->TitleColor(), kBlue);
  record.ChannelsUpdated = true;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->Count(), 0);
  // The mode is the window's, not the record's: a fresh record keeps it.
  form.ChartSNRDblClick();
  ReceiverRecord fresh;
  fresh.ChannelsUpdated = true;
  form.RefreshStatus(fresh);
  EXPECT_TRUE(form.ChartChannelMode);
  EXPECT_EQ(form.ChartSNR->Count(), 32);
}

// A double click reaches the chart as a click and then the double click:
// the click pages a two-page chart to its second page, and the mode switched
// to must still open on its first.
TEST_F(ChartTest, DoubleClickOpensTheOtherModeOnItsFirstPage) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const QPoint middle = form.ChartSNR->rect().center();
  // What the platform delivers; QTest's double click is the second press alone.
  auto doubleClick = [&] {
    QTest::mouseClick(form.ChartSNR, Qt::LeftButton, {}, middle);
    QTest::mouseDClick(form.ChartSNR, Qt::LeftButton, {}, middle);
    QTest::mouseRelease(form.ChartSNR, Qt::LeftButton, {}, middle);
  };
  ASSERT_EQ(form.ChartSNR->PageCount(), 2);  // the start-up placeholders
  doubleClick();
  ASSERT_TRUE(form.ChartChannelMode);
  for (int i = 0; i < 32; ++i) record.Channels[i] = {i + 1, 30, 2};
  record.ChannelsUpdated = true;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->Page(), 1);  // channels 1-16

  doubleClick();
  ASSERT_FALSE(form.ChartChannelMode);
  for (int i = 0; i < 20; ++i) AddSat(i + 1, 30, 45, 18 * i, 1);
  record.GsvComplete = true;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->PageCount(), 2);
  EXPECT_EQ(form.ChartSNR->Page(), 1);  // the first 16 satellites
}

}  // namespace
