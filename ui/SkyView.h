#pragma once
// The sky view: a picture widget and the geometry of the plot.
#include <QImage>
#include <QWidget>
#include <vector>

namespace vantrel {

constexpr int kSkyViewSize = 177;

struct SkyPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const SkyPoint&) const = default;
};

// Pixel position of a satellite: centre (90, 90), 0.8 pixels per degree of
// zenith distance, azimuth 0 up and 90 right. 3.14 stands in for pi and the
// results are truncated toward zero; the known disc positions depend on both.
SkyPoint SkyViewPosition(int elevation, int azimuth);

// What a sky-view drawing shows of one satellite; equal lists give equal
// pictures, so an unchanged sky need not be drawn again.
struct SkyDisc {
  int Prn = 0;
  SkyPoint At;
  bool HasSignal = false;
  bool operator==(const SkyDisc&) const = default;
};

// The empty background: black square, horizon and half-elevation circles,
// cross lines and N/S/W/E.
QImage DrawSkyBackground();

// A widget that shows a picture held in memory, drawn on by the window.
class TImage : public QWidget {
  Q_OBJECT
 public:
  explicit TImage(QWidget* parent = nullptr);
  QImage Picture;
  QSize sizeHint() const override { return Picture.size(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace vantrel
