#pragma once
// Records what a dispatch hands its handler: every piece with its kind,
// checksum result and offset, and the replies.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "nmea/Dispatch.h"

namespace vantrel::test {

struct Piece {
  PieceKind kind;
  bool checksumOk;
  uint64_t offset;
  std::string text;
  bool operator==(const Piece&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Piece& p) {
  return os << PieceKindName(p.kind) << (p.checksumOk ? " ok @" : " bad @") << p.offset << " \"" << p.text << '"';
}

// Base is IDispatchHandler or a handler derived from it.
template <class Base = IDispatchHandler>
class PieceRecorder : public Base {
 public:
  void OnReply(const char* s, size_t len) override { replies.emplace_back(s, len); }
  void OnPiece(const PieceInfo& info, const char* s, size_t len) override {
    EXPECT_EQ(s[len], '\0');
    pieces.push_back({info.kind, info.checksumOk, info.offset, std::string(s, len)});
    talkers.push_back(info.talker);
  }
  std::vector<std::string> replies;
  std::vector<Piece> pieces;
  std::vector<Talker> talkers;  // of each piece
};

}  // namespace vantrel::test
