#pragma once
// The datum list shown by CmbDatum, in the receiver's numbering.
namespace vantrel {
constexpr int kDatumCount = 223;
extern const char* const kDatumRows[kDatumCount];
}  // namespace vantrel
