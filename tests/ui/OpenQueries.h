#pragma once
// The queries an open writes to the receiver, in order.
#include <string>
#include <vector>

namespace vantrel::testing {

inline const std::vector<std::string> kOpenQueries = {
    "$PQOL414*33\r\n", "$PQOL400*36\r\n", "$PQOL602*36\r\n", "$PQOL401*37\r\n",
    "$PQOL419*3E\r\n", "$PQOL490*3F\r\n", "$PQOL430*35\r\n"};

}  // namespace vantrel::testing
