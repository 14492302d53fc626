#include "nmea/Decoders.h"
#include "nmea/FieldWalk.h"
#include "nmea/Reply.h"

namespace vantrel {

namespace checked {

// $PQOLCHN,10451,07432,05412,...*5C: per channel 2 digits satellite id,
// 2 digits SNR, 1 digit status.
void DecodeChannelStatus(ReceiverRecord& r, const char* s, size_t len) {
  detail::FieldWalk w(s, len);
  if (!w.Next()) return;
  for (int i = 0; i < kChannelsMax; ++i) {
    // An empty field ends the sentence early; it is not a complete update.
    if (!w.Read()) return;
    Channel& c = r.Channels[i];
    c.SvId = detail::ToInt32(detail::WholeOf(w.text(), w.length(), 0, 2));
    c.Snr = detail::ToInt32(detail::WholeOf(w.text(), w.length(), 2, 2));
    const char status = w.length() >= 5 ? w.text()[4] : '\0';
    c.Status = status == '0' ? 0 : (status == '1' ? 1 : 2);
    if (!w.Next() || i + 1 == kChannelsMax) {
      r.ChannelsUpdated = 1;
      return;
    }
  }
}

}  // namespace checked

void DecodeChannelStatus(ReceiverRecord& record, const char* s, size_t len) {
  if (SentenceChecksumOk(s, len)) checked::DecodeChannelStatus(record, s, len);
}

}  // namespace vantrel
