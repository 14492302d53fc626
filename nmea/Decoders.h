#pragma once
// Decoders of the seven standard "$GP" sentences. Each takes one sentence
// without its line ending, tests its checksum first and stores every field
// as soon as it has read it, so a sentence cut short updates its leading
// fields only.
#include <cstddef>

#include "nmea/Record.h"

namespace vantrel {

void DecodeGGA(ReceiverRecord& record, const char* s, size_t len);
void DecodeRMC(ReceiverRecord& record, const char* s, size_t len);
void DecodeVTG(ReceiverRecord& record, const char* s, size_t len);
void DecodeGSA(ReceiverRecord& record, const char* s, size_t len);
void DecodeGSV(ReceiverRecord& record, const char* s, size_t len);
void DecodeGLL(ReceiverRecord& record, const char* s, size_t len);
void DecodeZDA(ReceiverRecord& record, const char* s, size_t len);

// The same decoders for a sentence whose checksum the caller has already
// tested (the dispatcher tests it once and reports the result).
namespace checked {
void DecodeGGA(ReceiverRecord& record, const char* s, size_t len);
void DecodeRMC(ReceiverRecord& record, const char* s, size_t len);
void DecodeVTG(ReceiverRecord& record, const char* s, size_t len);
void DecodeGSA(ReceiverRecord& record, const char* s, size_t len);
void DecodeGSV(ReceiverRecord& record, const char* s, size_t len);
void DecodeGLL(ReceiverRecord& record, const char* s, size_t len);
void DecodeZDA(ReceiverRecord& record, const char* s, size_t len);
void DecodeChannelStatus(ReceiverRecord& record, const char* s, size_t len);
}  // namespace checked

}  // namespace vantrel
