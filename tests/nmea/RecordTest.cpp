#include <gtest/gtest.h>

#include <vector>

#include "nmea/Record.h"

namespace vantrel {
namespace {

TEST(ReceiverRecord, StartsZeroedExceptOscillator) {
  ReceiverRecord r;
  EXPECT_EQ(r.TcxoPpm, 1000.0f);
  EXPECT_EQ(r.FixType, 0);
  EXPECT_EQ(r.SatsInViewCount, 0);
  EXPECT_EQ(r.VersionText1[0], '\0');
}

TEST(ReceiverRecord, WalkedSatsNeverPastTheTable) {
  ReceiverRecord r;
  r.SatsInViewCount = 35;
  EXPECT_EQ(r.WalkedSats(), 20);
  r.SatsInViewCount = -3;
  EXPECT_EQ(r.WalkedSats(), 0);
  r.SatsInViewCount = 11;
  EXPECT_EQ(r.WalkedSats(), 11);
}

TEST(MarkUsedSatellites, Table) {
  struct {
    const char* name;
    int count;
    std::vector<int> used;
    std::vector<int> marked;  // indices of the entries marked
  } const cases[] = {
      {"plain", 4, {12, 3}, {2, 3}},
      {"zero ends the list", 4, {12, 0, 3}, {3}},
      {"negative ends the list", 4, {-1, 12}, {}},
      {"entries past the count are cleared", 2, {1, 2, 3, 12}, {0, 1}},
      {"count above the table stops at 20", 35, {1, 20}, {0, 19}},
      {"negative count marks nothing", -5, {1}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ReceiverRecord r;
    for (int i = 0; i < kSatsInViewMax; ++i) r.SatsInView[i] = {i + 1, 0, 0, 0, 1};
    r.SatsInView[3].Prn = 12;
    r.SatsInViewCount = c.count;
    for (size_t k = 0; k < c.used.size(); ++k) r.UsedPrns[k] = c.used[k];
    MarkUsedSatellites(r);
    std::vector<int> marked;
    for (int i = 0; i < kSatsInViewMax; ++i)
      if (r.SatsInView[i].Used) marked.push_back(i);
    EXPECT_EQ(marked, c.marked);
  }
}

}  // namespace
}  // namespace vantrel
