#pragma once
// Text for documents that must stay well formed whatever they are given: a
// file name is bytes, not necessarily UTF-8, and may hold control
// characters.
#include <string>
#include <string_view>

namespace vantrel::evaluation {

// `text` with every byte that does not belong to a valid UTF-8 sequence
// replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

// `text` as valid UTF-8 with the five XML special characters escaped and the
// characters XML 1.0 does not allow (controls other than tab, line feed and
// carriage return) replaced by U+FFFD.
std::string XmlEscaped(std::string_view text);

}  // namespace vantrel::evaluation
