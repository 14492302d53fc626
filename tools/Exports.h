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

// What the exports share: the head of the document is written once, before
// the first epoch or at Finish() when there was none.
class DocumentWriter : public IEpochSink {
 public:
  void OnEpoch(const EpochFix& e) final {
    Begin();
    Epoch(e);
  }
  void Finish() {
    Begin();
    End();
  }

 protected:
  explicit DocumentWriter(std::FILE* out) : out_(out) {}
  ~DocumentWriter() = default;
  virtual void Head() = 0;
  virtual void Epoch(const EpochFix& e) = 0;
  virtual void End() {}
  std::FILE* out_;

 private:
  void Begin() {
    if (begun_) return;
    begun_ = true;
    Head();
  }
  bool begun_ = false;
};

// One row per epoch after a header row. Epochs without a fix leave the
// position, speed, course and DOP columns empty.
class CsvWriter final : public DocumentWriter {
 public:
  explicit CsvWriter(std::FILE* out) : DocumentWriter(out) {}

 private:
  void Head() override;
  void Epoch(const EpochFix& e) override;
};

// A GPX 1.1 track: one point per fix with its time, fix type, satellites
// used and DOPs; a new segment after every stretch without a fix.
class GpxWriter final : public DocumentWriter {
 public:
  GpxWriter(std::FILE* out, const std::string& name) : DocumentWriter(out), name_(name) {}

 private:
  void Head() override;
  void Epoch(const EpochFix& e) override;
  void End() override;
  std::string name_;
  bool inSegment_ = false;
};

// A KML 2.2 document: placemarks at the first and at the last fix, and
// between them the track as a line once there are two fixes to join.
class KmlWriter final : public DocumentWriter {
 public:
  KmlWriter(std::FILE* out, const std::string& name) : DocumentWriter(out), name_(name) {}

 private:
  void Head() override;
  void Epoch(const EpochFix& e) override;
  void End() override;
  std::string name_;
  long points_ = 0;
  EpochFix first_;
  EpochFix last_;
};

// `text` with the five XML special characters escaped.
std::string XmlEscaped(const std::string& text);

}  // namespace vantrel::logtool
