#pragma once
// The exports of vantrel-log: a CSV table of the epochs, a GPX track and a
// KML track line with placemarks at the first and last fix. Each writer is
// an epoch sink that writes as the epochs arrive, so memory stays the same
// whatever the length of the recording. A document begins with the first
// epoch, or at Finish() when there was none, and Finish() closes it: input
// that is no recording at all leaves no half document behind.
#include <cstdio>
#include <string>

#include "tools/Epochs.h"

namespace vantrel::logtool {

// "2026-04-08" and "10:10:10.000", or empty when unknown.
std::string DateText(const EpochFix& e);
std::string TimeText(const EpochFix& e);

// One row per epoch after a header row. Epochs without a fix leave the
// position, speed, course and DOP columns empty.
class CsvWriter final : public IEpochSink {
 public:
  explicit CsvWriter(std::FILE* out) : out_(out) {}
  void OnEpoch(const EpochFix& e) override;
  void Finish() { Begin(); }

 private:
  void Begin();
  std::FILE* out_;
  bool begun_ = false;
};

// A GPX 1.1 track: one point per fix with its time, fix type, satellites
// used and DOPs; a new segment after every stretch without a fix.
class GpxWriter final : public IEpochSink {
 public:
  GpxWriter(std::FILE* out, const std::string& name) : out_(out), name_(name) {}
  void OnEpoch(const EpochFix& e) override;
  void Finish();
  long Points() const { return points_; }

 private:
  void Begin();
  std::FILE* out_;
  std::string name_;
  bool begun_ = false;
  bool inSegment_ = false;
  long points_ = 0;
};

// A KML 2.2 document: placemarks at the first and at the last fix, and
// between them the track as a line once there are two fixes to join.
class KmlWriter final : public IEpochSink {
 public:
  KmlWriter(std::FILE* out, const std::string& name) : out_(out), name_(name) {}
  void OnEpoch(const EpochFix& e) override;
  void Finish();
  long Points() const { return points_; }

 private:
  void Begin();
  std::FILE* out_;
  std::string name_;
  bool begun_ = false;
  long points_ = 0;
  EpochFix first_;
  EpochFix last_;
};

// `text` with the five XML special characters escaped.
std::string XmlEscaped(const std::string& text);

}  // namespace vantrel::logtool
