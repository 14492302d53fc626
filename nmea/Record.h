#pragma once
// The receiver state record: everything decoded from the receiver's stream.
// Plain data, no Qt, no I/O; every reader thread owns a fresh one.
#include <cstdint>

namespace vantrel {

constexpr int kSatsInViewMax = 20;   // GSV messages 1..5, four satellites each
constexpr int kChannelsMax = 32;     // "$PQOLCHN" fields
constexpr int kUsedPrnsMax = 20;
constexpr int kVersionTextSize = 30; // 29 characters and a terminator
constexpr int kOutputRatesTextSize = 75;

struct SatInView {
  int32_t Prn = 0;
  int32_t Snr = 0;  // 0 when the receiver sent an empty field
  int32_t Elevation = 0;
  int32_t Azimuth = 0;
  bool Used = false;
  bool operator==(const SatInView&) const = default;
};

struct Channel {
  int32_t SvId = 0;
  int32_t Snr = 0;
  uint8_t Status = 0;  // 0 idle, 1 searching, anything else tracking
  bool operator==(const Channel&) const = default;
};

struct ReceiverRecord {
  char VersionText1[kVersionTextSize] = {};
  char VersionText2[kVersionTextSize] = {};
  float TcxoPpm = 1000.0f;  // outside the range the oscillator label shows
  Channel Channels[kChannelsMax] = {};
  bool GsvComplete = false;  // the last GSV message of a group came
  uint8_t FixRateHz = 0;
  uint8_t DatumIndex = 0;
  int32_t RtcmBaud = 0;
  char OutputRatesText[kOutputRatesTextSize] = {};
  int32_t FlashWritesLeft = 0;
  bool ChannelsUpdated = false;  // a channel status sentence came since the grid was drawn

  int32_t UtcYear = 0;
  int32_t UtcMonth = 0;
  int32_t UtcDay = 0;
  int32_t UtcHour = 0;
  int32_t UtcMinute = 0;
  float UtcSecond = 0;
  float Latitude = 0;
  float Longitude = 0;
  float Altitude = 0;  // GGA altitude plus geoid separation
  uint8_t FixQuality = 0;
  uint8_t FixType = 0;  // 0 none, 1 2D, 2 3D
  float SpeedKmh = 0;
  float Course = 0;
  float Pdop = 0;
  float Hdop = 0;
  float Vdop = 0;
  int32_t SatsInViewCount = 0;  // as announced; may exceed the table
  int32_t UsedPrns[kUsedPrnsMax] = {};
  SatInView SatsInView[kSatsInViewMax] = {};

  bool operator==(const ReceiverRecord&) const = default;

  // Entries of SatsInView that loops may walk: the announced count, never
  // more than the table holds.
  int WalkedSats() const {
    return SatsInViewCount < 0 ? 0 : (SatsInViewCount > kSatsInViewMax ? kSatsInViewMax : SatsInViewCount);
  }
};

// Recomputes SatsInView[].Used from UsedPrns, for the walked entries only;
// the entries past them are cleared. Run after every read cycle.
void MarkUsedSatellites(ReceiverRecord& record);

}  // namespace vantrel
