#include "nmea/Record.h"

#include <type_traits>

// The record is copied and compared whole by the tests and the log tool.
static_assert(std::is_trivially_copyable_v<vantrel::ReceiverRecord>);

namespace vantrel {

void MarkUsedSatellites(ReceiverRecord& record) {
  // PRNs 1..255 go through a bit set; any other value is looked up in the list.
  uint64_t usedBits[4] = {};
  int usedCount = 0;
  for (; usedCount < kUsedPrnsMax && record.UsedPrns[usedCount] > 0; ++usedCount) {
    const int32_t prn = record.UsedPrns[usedCount];
    if (prn < 256) usedBits[prn >> 6] |= uint64_t{1} << (prn & 63);
  }
  const int walked = record.WalkedSats();
  for (int i = 0; i < kSatsInViewMax; ++i) {
    SatInView& e = record.SatsInView[i];
    if (i >= walked) {
      e.Used = false;
    } else if (e.Prn > 0 && e.Prn < 256) {
      e.Used = ((usedBits[e.Prn >> 6] >> (e.Prn & 63)) & 1) != 0;
    } else {
      e.Used = false;
      for (int k = 0; k < usedCount; ++k) {
        if (record.UsedPrns[k] == e.Prn) {
          e.Used = true;
          break;
        }
      }
    }
  }
}

}  // namespace vantrel
