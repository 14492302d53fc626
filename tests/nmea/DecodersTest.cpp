#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "nmea/CompleteGroup.h"
#include "nmea/Decoders.h"
#include "tests/nmea/SentenceText.h"

namespace vantrel {
namespace {

using test::WithChecksum;
using Edit = std::function<void(ReceiverRecord&)>;

struct Case {
  const char* name;
  std::string sentence;
  Edit before;  // state of the record before the sentence
  Edit expect;  // what the sentence must change, nothing else
};

// A record that already holds a fix, so "unchanged" is visible.
ReceiverRecord Seeded() {
  ReceiverRecord r;
  r.UtcYear = 2010, r.UtcMonth = 1, r.UtcDay = 2, r.UtcHour = 3, r.UtcMinute = 4, r.UtcSecond = 5.5f;
  r.Latitude = 11.5f, r.Longitude = 22.5f, r.Altitude = 33.5f;
  r.FixQuality = 2, r.FixType = 2, r.SpeedKmh = 1.5f, r.Course = 90.0f;
  r.Pdop = 2.5f, r.Hdop = 1.5f, r.Vdop = 3.5f;
  return r;
}

PieceInfo Decode(ReceiverRecord& r, const std::string& sentence) {
  return DecodeSentence(r, sentence.data(), sentence.size());
}

// Every sentence goes in through the one entry and must be named `kind`.
void RunCases(PieceKind kind, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReceiverRecord r = Seeded();
    if (c.before) c.before(r);
    ReceiverRecord expected = r;
    if (c.expect) c.expect(expected);
    EXPECT_EQ(Decode(r, c.sentence).kind, kind) << c.sentence;
    EXPECT_EQ(r, expected) << c.sentence;
  }
}

const Edit kUnchanged;
Edit NoFix = [](ReceiverRecord& r) { r.FixType = 0, r.FixQuality = 0; };

TEST(DecodeGGA, Table) {
  RunCases(PieceKind::GGA, {
      {"full sentence", WithChecksum("GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,"), NoFix,
       [](ReceiverRecord& r) {
         r.UtcHour = 9, r.UtcMinute = 27, r.UtcSecond = 50.0f;
         r.Latitude = static_cast<float>(53 + 21.6802 / 60), r.Longitude = -static_cast<float>(6 + 30.3372 / 60);
         r.FixQuality = 1, r.FixType = 1, r.Hdop = 1.03f, r.Altitude = static_cast<float>(61.7f + 55.2);
       }},
      {"quality 0 keeps FixType", WithChecksum("GPGGA,092750.000,,,,,0,0,,,M,,M,,"), nullptr,
       [](ReceiverRecord& r) { r.UtcHour = 9, r.UtcMinute = 27, r.UtcSecond = 50.0f, r.FixQuality = 0; }},
      {"empty quality stops", WithChecksum("GPGGA,,,,,,,8,1.03,61.7,M,55.2,M,,"), nullptr, kUnchanged},
      {"empty altitude ignores separation", WithChecksum("GPGGA,,,,,,1,8,,,M,55.2,M,,"), nullptr,
       [](ReceiverRecord& r) { r.FixQuality = 1; }},
      {"altitude without separation", WithChecksum("GPGGA,,,,,,1,8,,-12.5,M,,M,,"), nullptr,
       [](ReceiverRecord& r) { r.FixQuality = 1, r.Altitude = -12.5f; }},
      {"quality kept in 8 bits", WithChecksum("GPGGA,,,,,,258,"), NoFix,
       [](ReceiverRecord& r) { r.FixQuality = 2, r.FixType = 1; }},
      {"cut short after latitude", WithChecksum("GPGGA,120000,4916.45,S"), nullptr,
       [](ReceiverRecord& r) {
         r.UtcHour = 12, r.UtcMinute = 0, r.UtcSecond = 0, r.Latitude = -static_cast<float>(49 + 16.45 / 60);
       }},
      {"wrong checksum", "$GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,*77", NoFix,
       kUnchanged},
      {"lowercase checksum", "$GPGGA,,,,,,1,,,,,,,,8*5f", NoFix, kUnchanged},
      {"no asterisk", "$GPGGA,092750.000,,,,,1,,,,,,,,", NoFix, kUnchanged},
      {"empty coordinate with hemisphere S/W", WithChecksum("GPGGA,,,S,,W,1,"), nullptr,
       [](ReceiverRecord& r) { r.FixQuality = 1; }},
      {"exact zero still negated", WithChecksum("GPGGA,,0000.000,S,00000.000,W,1,"), nullptr,
       [](ReceiverRecord& r) { r.Latitude = -0.0f, r.Longitude = -0.0f, r.FixQuality = 1; }},
      {"coordinate without point rejected", WithChecksum("GPGGA,,4916,S,12130,W,1,"), nullptr,
       [](ReceiverRecord& r) { r.FixQuality = 1; }},
      {"coordinate with one digit before point rejected", WithChecksum("GPGGA,,4.5,N,.5,E,1,"), nullptr,
       [](ReceiverRecord& r) { r.FixQuality = 1; }},
      {"minutes only", WithChecksum("GPGGA,,30.0,N,"), nullptr, [](ReceiverRecord& r) { r.Latitude = 0.5f; }},
      {"short time rejected", WithChecksum("GPGGA,123,"), nullptr, kUnchanged},
      {"four-digit time", WithChecksum("GPGGA,1234,"), nullptr,
       [](ReceiverRecord& r) { r.UtcHour = 12, r.UtcMinute = 34, r.UtcSecond = 0; }},
      {"overlong field cut to 20 characters", WithChecksum("GPGGA,,4916.4500000000000000009,N,"),
       nullptr, [](ReceiverRecord& r) { r.Latitude = static_cast<float>(49 + 16.45 / 60); }},
  });
}

TEST(DecodeRMC, Table) {
  RunCases(PieceKind::RMC, {
      {"full sentence", WithChecksum("GPRMC,092750.000,A,5321.6802,N,00630.3372,W,10,31.66,070407,,,D"), NoFix,
       [](ReceiverRecord& r) {
         r.UtcHour = 9, r.UtcMinute = 27, r.UtcSecond = 50.0f, r.FixType = 1, r.FixQuality = 2;
         r.Latitude = static_cast<float>(53 + 21.6802 / 60), r.Longitude = -static_cast<float>(6 + 30.3372 / 60);
         r.SpeedKmh = 18.532f, r.Course = 31.66f, r.UtcDay = 7, r.UtcMonth = 4, r.UtcYear = 2007;
       }},
      {"status V clears the fix and goes on", WithChecksum("GPRMC,,V,,,12130.5000,W,1.5,,311299,,,A"),
       nullptr,
       [](ReceiverRecord& r) {
         r.FixType = 0, r.FixQuality = 0, r.Longitude = static_cast<float>(-(121 + 30.5 / 60));
         r.SpeedKmh = static_cast<float>(1.5 * 1.8532), r.UtcDay = 31, r.UtcMonth = 12, r.UtcYear = 2099;
       }},
      {"status A keeps an existing fix", WithChecksum("GPRMC,,A,,,,,,,,,,"), nullptr, kUnchanged},
      {"empty status stops", WithChecksum("GPRMC,010203,,4916.45,N,"), nullptr,
       [](ReceiverRecord& r) { r.UtcHour = 1, r.UtcMinute = 2, r.UtcSecond = 3; }},
      {"short date rejected", WithChecksum("GPRMC,,A,,,,,,,07040,,,"), nullptr, kUnchanged},
      {"mode ignored without fix", WithChecksum("GPRMC,,V,,,,,,,,,,A"), nullptr, NoFix},
      {"mode E", WithChecksum("GPRMC,,A,,,,,,,,,,E"), nullptr, [](ReceiverRecord& r) { r.FixQuality = 6; }},
  });
}

TEST(DecodeVTG, Table) {
  RunCases(PieceKind::VTG, {
      {"full sentence", WithChecksum("GPVTG,31.66,T,,M,10,N,18.52,K,A"), NoFix,
       [](ReceiverRecord& r) { r.Course = 31.66f, r.SpeedKmh = 18.532f, r.FixType = 1, r.FixQuality = 1; }},
      {"mode N clears the fix", WithChecksum("GPVTG,,T,,M,,N,,K,N"), nullptr, NoFix},
      {"km/h field not used", WithChecksum("GPVTG,,T,,M,,N,99.0,K,"), nullptr, kUnchanged},
      {"other mode letter sets 2D only", WithChecksum("GPVTG,,T,,M,,N,,K,X"), NoFix,
       [](ReceiverRecord& r) { r.FixType = 1; }},
  });
}

TEST(DecodeGSA, Table) {
  RunCases(PieceKind::GSA, {
      {"five satellites", WithChecksum("GPGSA,A,3,10,07,,05,02,29,,,,,,,1.72,1.03,1.38"), NoFix,
       [](ReceiverRecord& r) {
         r.FixType = 2, r.FixQuality = 1, r.Pdop = 1.72f, r.Hdop = 1.03f, r.Vdop = 1.38f;
         const int prns[] = {10, 7, 5, 2, 29};
         for (int i = 0; i < 5; ++i) r.UsedPrns[i] = prns[i];
       }},
      {"fix mode 1 clears the fix", WithChecksum("GPGSA,M,1,,,,,,,,,,,,,,,"), nullptr, NoFix},
      {"fix mode far out of range wraps in 8 bits", WithChecksum("GPGSA,A,-9223372036854775808,"), nullptr,
       [](ReceiverRecord& r) { r.FixType = 255; }},
      {"fix mode 2 keeps quality", WithChecksum("GPGSA,A,2,"), nullptr,
       [](ReceiverRecord& r) { r.FixType = 1; }},
      {"other selection clears the fix, reads PRNs", WithChecksum("GPGSA,X,3,4,"), nullptr,
       [](ReceiverRecord& r) { r.FixType = 0, r.FixQuality = 0, r.UsedPrns[0] = 4; }},
      {"other selection as the last field still clears the fix", WithChecksum("GPGSA,V"), nullptr, NoFix},
      {"list cleared even when cut short", WithChecksum("GPGSA,,"), [](ReceiverRecord& r) { r.UsedPrns[0] = 9; },
       [](ReceiverRecord& r) { r.UsedPrns[0] = 0; }},
      {"empty PDOP stops", WithChecksum("GPGSA,A,3,,,,,,,,,,,,,,0.9,1.1"), nullptr, kUnchanged},
      {"bad checksum keeps the list", "$GPGSA,A,3,,,,,,,,,,,,,,,*00",
       [](ReceiverRecord& r) { r.UsedPrns[0] = 9; }, kUnchanged},
  });
}

TEST(DecodeGLL, Table) {
  RunCases(PieceKind::GLL, {
      {"full sentence", WithChecksum("GPGLL,5321.6802,S,00630.3372,E,092750.000,A,D"), NoFix,
       [](ReceiverRecord& r) {
         r.Latitude = -static_cast<float>(53 + 21.6802 / 60), r.Longitude = static_cast<float>(6 + 30.3372 / 60);
         r.UtcHour = 9, r.UtcMinute = 27, r.UtcSecond = 50.0f, r.FixType = 1, r.FixQuality = 2;
       }},
      {"status V clears the fix and stops", WithChecksum("GPGLL,,,,,,V,A"), nullptr, NoFix},
      {"empty status stops", WithChecksum("GPGLL,,,,,,,A"), nullptr, kUnchanged},
  });
}

TEST(DecodeZDA, Table) {
  RunCases(PieceKind::ZDA, {
      {"full sentence", WithChecksum("GPZDA,235959.99,31,12,2007,00,00"), nullptr,
       [](ReceiverRecord& r) {
         r.UtcHour = 23, r.UtcMinute = 59, r.UtcSecond = 59.99f, r.UtcDay = 31, r.UtcMonth = 12, r.UtcYear = 2007;
       }},
      {"year taken as it stands", WithChecksum("GPZDA,,,,07,,"), nullptr,
       [](ReceiverRecord& r) { r.UtcYear = 7; }},
      {"empty fields keep the date", WithChecksum("GPZDA,,,,"), nullptr, kUnchanged},
  });
}

SatInView Sat(int prn, int elevation, int azimuth, int snr) { return {prn, snr, elevation, azimuth, 0}; }

TEST(DecodeGSV, GroupOfThreeForElevenSatellites) {
  const std::string m1 = WithChecksum("GPGSV,3,1,11,10,63,137,17,07,61,098,15,05,59,290,20,08,54,157,30");
  const std::string m2 = WithChecksum("GPGSV,3,2,11,02,39,223,19,13,28,070,17,26,23,252,,04,14,186,14");
  const std::string m3 = WithChecksum("GPGSV,3,3,11,29,09,301,24,16,09,020,,36,,,,99,99,99,99");
  ReceiverRecord r;
  r.SatsInView[15] = Sat(1, 1, 1, 1);  // left over from a larger group
  Decode(r, m1);
  EXPECT_EQ(r.GsvComplete, 0);
  EXPECT_EQ(r.SatsInView[15], SatInView{});
  Decode(r, m2);
  EXPECT_EQ(r.GsvComplete, 0);
  Decode(r, m3);
  EXPECT_EQ(r.GsvComplete, 1);
  EXPECT_EQ(r.SatsInViewCount, 11);
  const SatInView expected[kSatsInViewMax] = {
      Sat(10, 63, 137, 17), Sat(7, 61, 98, 15), Sat(5, 59, 290, 20), Sat(8, 54, 157, 30),
      Sat(2, 39, 223, 19),  Sat(13, 28, 70, 17), Sat(26, 23, 252, 0), Sat(4, 14, 186, 14),
      Sat(29, 9, 301, 24),  Sat(16, 9, 20, 0),   Sat(36, 0, 0, 0),  // the 12th is past the count
  };
  for (int i = 0; i < kSatsInViewMax; ++i) EXPECT_EQ(r.SatsInView[i], expected[i]) << "entry " << i;

  // The first message of the next group starts over.
  Decode(r, m1);
  EXPECT_EQ(r.GsvComplete, 0);
  EXPECT_EQ(r.SatsInView[8], SatInView{});
}

TEST(DecodeGSV, EdgeCases) {
  RunCases(PieceKind::GSV, {
      {"empty SNR last in the sentence", WithChecksum("GPGSV,1,1,01,07,61,098,"), nullptr,
       [](ReceiverRecord& r) { r.SatsInViewCount = 1, r.GsvComplete = 1, r.SatsInView[0] = Sat(7, 61, 98, 0); }},
      {"count 0 stops", WithChecksum("GPGSV,1,1,00"), nullptr,
       [](ReceiverRecord& r) { r.GsvComplete = true; }},
      {"message 6 has no room", WithChecksum("GPGSV,6,6,24,01,02,003,04,05,06,007,08,09,10,011,12,13,14,015,16"),
       [](ReceiverRecord& r) { r.SatsInView[19] = Sat(9, 9, 9, 9); },
       [](ReceiverRecord& r) { r.SatsInViewCount = 24, r.GsvComplete = true; }},
      {"message 0 has no room", WithChecksum("GPGSV,1,0,04,01,02,003,04"), nullptr,
       [](ReceiverRecord& r) { r.SatsInViewCount = 4; }},
      {"message 5 fills the last entries", WithChecksum("GPGSV,6,5,24,01,02,003,04,05,06,007,08,09,10,011,12,13,14,015,16"),
       nullptr,
       [](ReceiverRecord& r) {
         r.SatsInViewCount = 24;
         r.SatsInView[16] = Sat(1, 2, 3, 4), r.SatsInView[17] = Sat(5, 6, 7, 8);
         r.SatsInView[18] = Sat(9, 10, 11, 12), r.SatsInView[19] = Sat(13, 14, 15, 16);
       }},
      {"huge message number has no room", WithChecksum("GPGSV,9,99999999999999999999,04,01,02,003,04"),
       nullptr, [](ReceiverRecord& r) { r.SatsInViewCount = 4, r.GsvComplete = true; }},
      {"cut short inside a satellite", WithChecksum("GPGSV,2,2,06,21,45"), nullptr,
       [](ReceiverRecord& r) { r.GsvComplete = 1, r.SatsInViewCount = 6, r.SatsInView[4] = Sat(21, 45, 0, 0); }},
  });
}

TEST(DecodeChannelStatus, Table) {
  auto channels12 = [] {
    std::string body = "PQOLCHN";
    for (int i = 0; i < 12; ++i) body += "," + std::to_string(10 + i) + std::to_string(30 + i) + std::to_string(i % 3);
    return WithChecksum(body);
  };
  auto before = [](ReceiverRecord& r) {
    for (Channel& c : r.Channels) c = {99, 99, 1};
  };
  RunCases(PieceKind::ChannelStatus, {
      {"twelve fields", channels12(), before,
       [](ReceiverRecord& r) {
         for (int i = 0; i < 12; ++i) r.Channels[i] = {10 + i, 30 + i, static_cast<uint8_t>(i % 3)};
         r.ChannelsUpdated = true;
       }},
      {"empty field stops without the flag", WithChecksum("PQOLCHN,01450,,03471"), before,
       [](ReceiverRecord& r) { r.Channels[0] = {1, 45, 0}; }},
      {"any other status digit is tracking", WithChecksum("PQOLCHN,0145x"), nullptr,
       [](ReceiverRecord& r) { r.Channels[0] = {1, 45, 2}, r.ChannelsUpdated = true; }},
      {"wrong checksum", "$PQOLCHN,01451*00", nullptr, kUnchanged},
      {"no first field", WithChecksum("PQOLCHN"), nullptr, kUnchanged},
  });
}

TEST(DecodeChannelStatus, StopsAfterThirtyTwoChannels) {
  std::string body = "PQOLCHN";
  for (int i = 0; i < 40; ++i) body += ",01452";
  const std::string s = WithChecksum(body);
  ReceiverRecord r;
  EXPECT_EQ(Decode(r, s).kind, PieceKind::ChannelStatus);
  EXPECT_EQ(r.ChannelsUpdated, 1);
  for (const Channel& c : r.Channels) EXPECT_EQ(c, (Channel{1, 45, 2}));
}

// The entry names every piece, tests the checksum of every named one, and
// changes the record only through a decoder of its own.
TEST(DecodeSentence, NamesChecksAndDecodesOnlyItsOwnKinds) {
  struct {
    std::string piece;
    PieceKind kind;
    bool checksumOk;
    bool changesRecord;
  } const cases[] = {
      {WithChecksum("GPZDA,010203,04,05,2006,,"), PieceKind::ZDA, true, true},
      {"$GPZDA,010203,04,05,2006,,*00", PieceKind::ZDA, false, false},
      {WithChecksum("PQOLCHN,10451"), PieceKind::ChannelStatus, true, true},
      {"$PQOLCHN,10451*00", PieceKind::ChannelStatus, false, false},
      {WithChecksum("PQOL590,3"), PieceKind::Reply, true, false},  // DecodeReply's, not this entry's
      {"$PQOL590,3*00", PieceKind::Reply, false, false},
      {WithChecksum("PQOL"), PieceKind::Reply, true, false},
      {WithChecksum("GPTXT,01,01,02,hello"), PieceKind::Ignored, false, false},
      {WithChecksum("GNGGA,,,,,,1,"), PieceKind::Ignored, false, false},
      {WithChecksum("GPgga,,,,,,1,"), PieceKind::Ignored, false, false},
      {"", PieceKind::Ignored, false, false},
  };
  for (const auto& c : cases) {
    ReceiverRecord r = Seeded();
    const PieceInfo info = Decode(r, c.piece);
    EXPECT_EQ(info.kind, c.kind) << c.piece;
    EXPECT_EQ(info.checksumOk, c.checksumOk) << c.piece;
    EXPECT_EQ(info.offset, 0u) << c.piece;
    EXPECT_EQ(r != Seeded(), c.changesRecord) << c.piece;
  }
}

// The talker is a parameter: by default only "$GP" is decoded, as the window
// does; with every GNSS talker accepted, each decodes exactly as "$GP" would.
TEST(DecodeSentence, AcceptsTheTalkersItIsGiven) {
  const std::string body = "GGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,";
  ReceiverRecord gps = Seeded();
  Decode(gps, WithChecksum("GP" + body));
  struct {
    const char* talker;
    Talker expected;
    bool byDefault;  // decoded under the window's rules too
  } const cases[] = {
      {"GP", Talker::GP, true},     {"GN", Talker::GN, false},    {"GL", Talker::GL, false},
      {"GA", Talker::GA, false},    {"GB", Talker::GB, false},    {"GQ", Talker::None, false},
      {"GI", Talker::None, false},  {"BD", Talker::None, false},  {"gp", Talker::None, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.talker);
    const std::string s = WithChecksum(c.talker + body);
    for (const TalkerSet set : {TalkerSet::Gps(), TalkerSet::AllGnss()}) {
      const bool accepted = set == TalkerSet::Gps() ? c.byDefault : c.expected != Talker::None;
      ReceiverRecord r = Seeded();
      const PieceInfo info = DecodeSentence(r, s.data(), s.size(), set);
      EXPECT_EQ(info.kind, accepted ? PieceKind::GGA : PieceKind::Ignored);
      EXPECT_EQ(info.talker, accepted ? c.expected : Talker::None);
      EXPECT_EQ(info.checksumOk, accepted);
      EXPECT_EQ(r, accepted ? gps : Seeded());
    }
  }
  // Proprietary sentences do not depend on the talkers.
  const std::string chn = WithChecksum("PQOLCHN,10451");
  ReceiverRecord r;
  EXPECT_EQ(DecodeSentence(r, chn.data(), chn.size(), TalkerSet::AllGnss()).kind, PieceKind::ChannelStatus);
  EXPECT_EQ(r.Channels[0], (Channel{10, 45, 1}));
}

TEST(TalkerName, NamesEveryTalker) {
  const char* const names[kTalkers] = {"GP", "GN", "GL", "GA", "GB"};
  for (int t = 0; t < kTalkers; ++t) {
    EXPECT_STREQ(TalkerName(static_cast<Talker>(t)), names[t]);
    EXPECT_EQ(TalkerOfLetter(names[t][1]), static_cast<Talker>(t));
  }
  EXPECT_STREQ(TalkerName(Talker::None), "");
}

TEST(PieceKindName, NamesEveryKind) {
  const char* const names[kPieceKinds] = {"GGA", "RMC", "VTG", "GSA", "GSV", "GLL", "ZDA", "PQOLCHN", "PQOL", "ignored"};
  for (int k = 0; k < kPieceKinds; ++k) EXPECT_STREQ(PieceKindName(static_cast<PieceKind>(k)), names[k]);
}

// What a sensitivity tick sees while a group is only half received: the
// group before, never a table without the satellites of later messages.
TEST(CompleteSatsInView, HoldsTheLastWholeGroupWhileTheNextArrives) {
  ReceiverRecord record;
  CompleteSatsInView complete;
  const auto take = [&](const std::string& s) { complete.Take(DecodeSentence(record, s.data(), s.size()), record); };
  const std::string first = WithChecksum("GPGSV,2,1,05,01,40,083,41,02,17,308,39,03,07,344,38,04,22,228,37");
  take(first);
  EXPECT_EQ(complete.Count, 0) << "nothing whole yet";
  take(WithChecksum("GPGSV,2,2,05,14,11,290,36"));
  EXPECT_EQ(complete.Count, 5);
  EXPECT_EQ(complete.Table[4].Prn, 14);
  take(first);
  EXPECT_EQ(record.SatsInView[4].Prn, 0) << "the record's table was emptied";
  EXPECT_EQ(complete.Table[4].Prn, 14) << "the whole group is still seen";
  take("$GPGSV,2,2,05,14,11,290,30*00");  // a wrong checksum ends nothing
  EXPECT_EQ(complete.Table[4].Snr, 36);
  take(WithChecksum("GPGSV,2,2,05,14,11,290,30"));
  EXPECT_EQ(complete.Table[4].Snr, 30);
}

}  // namespace
}  // namespace vantrel
