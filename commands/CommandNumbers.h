#pragma once
// The receiver's command numbers: the number a "$PQOL" command is sent with
// and the number its acknowledgement "$PQOL001" names. One set for the
// sentence builders and the acknowledgement reports.
#include <cstdint>

namespace vantrel {

enum class CommandNumber : int32_t {
  ReceiverFault = -1,  // acknowledged "carried out": the receiver reports a fault
  HotStart = 101,
  WarmStart = 102,
  ColdStart = 103,
  CurrentTest = 160,
  WakeUp = 188,
  FixRate = 220,
  RtcmInput = 250,
  BaudRate = 251,
  DgpsMode = 301,
  SbasCorrection = 313,
  OutputRates = 314,
  SbasMode = 319,
  Datum = 330,
  FlashWrite = 390,
};

// The three restarts, and None while no time to first fix is counted.
enum class Restart : uint8_t { None = 0, Hot = 1, Warm = 2, Cold = 3 };

}  // namespace vantrel
