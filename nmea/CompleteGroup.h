#pragma once
// The satellites-in-view table as its last complete GSV group left it. The
// record's table is emptied by a group's first message and filled message
// by message, so a look between two messages misses satellites the
// receiver still tracks: a sensitivity tick that fell there took the
// generator's satellite for lost. The test looks here instead.
// Plain C++, no I/O.
#include <algorithm>
#include <cstdint>

#include "nmea/Decoders.h"
#include "nmea/Record.h"

namespace vantrel {

struct CompleteSatsInView {
  SatInView Table[kSatsInViewMax] = {};
  int32_t Count = 0;  // as the group announced it

  // After each decoded piece: a GSV message that ended its group is kept.
  void Take(const PieceInfo& info, const ReceiverRecord& record) {
    if (info.kind != PieceKind::GSV || !info.checksumOk || !record.GsvComplete) return;
    std::copy(std::begin(record.SatsInView), std::end(record.SatsInView), std::begin(Table));
    Count = record.SatsInViewCount;
  }
};

}  // namespace vantrel
