#pragma once
// The sky view: a picture widget, the geometry of the plot and the drawing
// of the satellites' discs.
#include <QFont>
#include <QImage>
#include <QWidget>
#include <memory>
#include <vector>

#include "nmea/GnssSatellites.h"
#include "nmea/Record.h"

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
  char System = 0;  // the system's letter before the number; 0: none
  bool operator==(const SkyDisc&) const = default;
};

// The empty background: black square, horizon and half-elevation circles,
// cross lines and N/S/W/E.
QImage DrawSkyBackground();

// Draws the satellites of a group as discs over the sky's background. A
// disc looks the same wherever it is drawn: its outline and fill are not
// antialiased and its digits are unblended on an opaque box. So each number
// and fill is drawn once into a sprite and then copied, pixel for pixel what
// drawing in place would give, at a fraction of the cost of laying the
// digits out at every satellite group.
class SkyDiscPainter {
 public:
  SkyDiscPainter();
  ~SkyDiscPainter();
  SkyDiscPainter(const SkyDiscPainter&) = delete;
  SkyDiscPainter& operator=(const SkyDiscPainter&) = delete;

  // Draws a disc for each of the first `count` satellites that has a PRN
  // onto `picture` over `background`, numbered in `font`. The discs drawn
  // last are not drawn again. True when `picture` changed.
  bool Draw(const SatInView* sats, int count, const QFont& font, const QImage& background, QImage& picture);
  // The same for satellites of every system, each numbered after its
  // system's letter.
  bool Draw(const std::vector<GnssSatellite>& sats, const QFont& font, const QImage& background, QImage& picture);
  // Puts the bare background back and forgets the discs drawn.
  void Reset(const QImage& background, QImage& picture);

 private:
  struct Sprites;
  // Draws the discs in next_.
  bool DrawNext(const QFont& font, const QImage& background, QImage& picture);
  std::unique_ptr<Sprites> sprites_;
  std::vector<SkyDisc> drawn_;  // the discs now on the picture
  std::vector<SkyDisc> next_;   // the list being built, kept for its storage
};

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
