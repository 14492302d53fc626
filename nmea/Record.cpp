#include "nmea/Record.h"

#include <type_traits>

// The record is copied and compared whole by the tests and the log tool.
static_assert(std::is_trivially_copyable_v<vantrel::ReceiverRecord>);
