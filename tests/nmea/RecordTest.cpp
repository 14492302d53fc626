#include <gtest/gtest.h>

#include "nmea/Record.h"

using vantrel::ReceiverRecord;

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
