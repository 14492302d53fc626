#pragma once
// The exports of an evaluation: a CSV table of the epochs, a GPX track and a
// KML document. Each writer is an epoch sink that writes as the epochs
// arrive, holding at most one short stretch of the track, so memory stays
// the same whatever the length of the recording. A document begins with the
// first epoch, or at Finish() when there was none, and Finish() closes it.
//
// A value the epoch does not have is left out: an empty CSV cell, no GPX
// element, no KML altitude. Heights are above mean sea level, as the GGA
// gives them; the CSV adds the geoid separation and the ellipsoidal height.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "evaluation/Epochs.h"

namespace vantrel::evaluation {

// "2026-04-08" and "10:10:10.000", or empty when unknown.
std::string DateText(const Epoch& e);
std::string TimeText(const Epoch& e);

// What the exports share: the head of the document is written once, before
// the first epoch or at Finish() when there was none.
class DocumentWriter : public IEpochSink {
 public:
  void OnEpoch(const Epoch& e) final {
    Begin();
    Write(e);
  }
  void Finish() {
    Begin();
    End();
  }

 protected:
  explicit DocumentWriter(std::FILE* out) : out_(out) {}
  ~DocumentWriter() = default;
  virtual void Head() = 0;
  virtual void Write(const Epoch& e) = 0;
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

// One row per epoch after a header row. Position columns are filled for
// epochs with a fix only.
class CsvWriter final : public DocumentWriter {
 public:
  explicit CsvWriter(std::FILE* out) : DocumentWriter(out) {}

 private:
  void Head() override;
  void Write(const Epoch& e) override;
};

// A GPX 1.1 track: one point per fix with a position, with its height, time,
// geoid height, fix, satellites used and DOPs; a new segment after every
// stretch without a fix.
class GpxWriter final : public DocumentWriter {
 public:
  GpxWriter(std::FILE* out, const std::string& name) : DocumentWriter(out), name_(name) {}

 private:
  void Head() override;
  void Write(const Epoch& e) override;
  void End() override;
  std::string name_;
  bool inSegment_ = false;
};

// A KML 2.2 document: placemarks at the first and the last fix, and the
// track between them as pieces of at most kPiece points, each its own
// element: a gx:Track where every point has a time, a LineString where they
// have none. A stretch without a fix ends a piece.
class KmlWriter final : public DocumentWriter {
 public:
  static constexpr size_t kPiece = 500;
  KmlWriter(std::FILE* out, const std::string& name) : DocumentWriter(out), name_(name) {}

 private:
  struct Point {
    double latitude, longitude;
    bool hasAltitude;
    double altitude;
    std::string when;  // empty without a date and a time
  };
  void Head() override;
  void Write(const Epoch& e) override;
  void End() override;
  void Flush();
  void Placemark(const char* name, const Point& p);
  std::string name_;
  std::vector<Point> piece_;
  bool pieceTimed_ = false;
  bool trackOpen_ = false;
  bool any_ = false;
  Point first_{}, last_{};
  uint64_t points_ = 0;
};

}  // namespace vantrel::evaluation
