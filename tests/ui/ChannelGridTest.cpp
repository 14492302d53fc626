// The channel page's grid refreshed from the record's channel table.
#include <QTableWidget>
#include <gtest/gtest.h>

#include "tests/ui/RefreshFixture.h"

namespace {

using namespace vantrel::testing;

class ChannelGridTest : public RefreshFixture {};

TEST_F(ChannelGridTest, ChannelTableFillsAndEnablesTheGrid) {
  for (int i = 0; i < 32; ++i) record.Channels[i] = {i + 1, 10 + i, uint8_t(i % 4)};
  record.Channels[31] = {-5, -1, 200};
  record.ChannelsUpdated = true;
  form.RefreshStatus(record);
  EXPECT_TRUE(form.StringGrid1->isEnabled());
  const char* status[] = {"Idle", "Searching", "Tracking", "Tracking"};
  for (int i = 0; i < 31; ++i) {
    EXPECT_EQ(Cell(i + 1, 0), QString::number(i + 1));
    EXPECT_EQ(Cell(i + 1, 1), QString::number(i + 1));
    EXPECT_EQ(Cell(i + 1, 2), QString::number(10 + i));
    EXPECT_EQ(Cell(i + 1, 3), status[i % 4]);
  }
  EXPECT_EQ(Cell(32, 1), "-5");
  EXPECT_EQ(Cell(32, 2), "-1");
  EXPECT_EQ(Cell(32, 3), "Tracking");
  EXPECT_EQ(Cell(0, 0), "Channel");
  // Satellites-in-view mode leaves the flag set: the grid follows the table.
  EXPECT_EQ(record.ChannelsUpdated, 1);
  record.Channels[0].Snr = 44;
  form.RefreshStatus(record);
  EXPECT_EQ(Cell(1, 2), "44");

  EXPECT_TRUE(form.ClearChannelGrid());
  EXPECT_FALSE(form.StringGrid1->isEnabled());
  for (int r = 1; r <= 32; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_TRUE(Cell(r, c).isEmpty());
  EXPECT_EQ(Cell(0, 3), "Status");
  EXPECT_FALSE(form.ClearChannelGrid());
  // The same table after a clear is written out again, every row.
  form.RefreshStatus(record);
  EXPECT_TRUE(form.StringGrid1->isEnabled());
  EXPECT_EQ(Cell(1, 2), "44");
  EXPECT_EQ(Cell(32, 0), "32");
  EXPECT_EQ(Cell(32, 3), "Tracking");
  // One channel changing among unchanged ones changes its row alone.
  record.Channels[16] = {30, 0, 1};
  form.RefreshStatus(record);
  EXPECT_EQ(Cell(17, 1), "30");
  EXPECT_EQ(Cell(17, 2), "0");
  EXPECT_EQ(Cell(17, 3), "Searching");
  EXPECT_EQ(Cell(16, 1), "16");
  EXPECT_EQ(Cell(18, 2), "27");
}

// A receiver that talks but sends no channel table is told apart from one
// whose table has not come yet: two whole satellite groups must pass first.
TEST_F(ChannelGridTest, TwoSatelliteGroupsWithoutAChannelTableSaySoUntilOneComes) {
  const auto noteShown = [&] { return form.LabelNoChannels->isVisibleTo(form.TabChannel); };
  const auto groupEnds = [&] {
    record.GsvComplete = true;
    form.RefreshStatus(record);
  };
  form.RefreshStatus(record);
  groupEnds();
  EXPECT_FALSE(noteShown()) << "one group is not yet a whole cycle";
  groupEnds();
  EXPECT_TRUE(noteShown());
  EXPECT_EQ(form.LabelNoChannels->text(), "no channel status from this receiver");

  record.Channels[0] = {5, 40, 2};
  record.ChannelsUpdated = true;
  form.RefreshStatus(record);
  EXPECT_FALSE(noteShown()) << "the table came late";
  EXPECT_TRUE(form.ClearChannelGrid());
  record.ChannelsUpdated = false;
  groupEnds();
  EXPECT_FALSE(noteShown()) << "a cleared grid counts its cycles afresh";
  groupEnds();
  EXPECT_TRUE(noteShown());
  form.ForgetChannelNote();
  EXPECT_FALSE(noteShown());
}

}  // namespace
