#pragma once
// Drawing for the reports: one self-contained HTML page with its figures as
// inline SVG, written as text. Numbers are written in the C locale; text in
// a figure is real text (a reader can select it, a screen reader reads it);
// each figure has a title and a caption tied to it by aria-labelledby.
//
// Large inputs stay small on the page: a point is drawn only when its cell
// of a pixel grid holds none of its kind yet, and a line keeps the lowest
// and highest value of each pixel column. The figures quoted in text are
// never thinned.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vantrel::evaluation::svg {

// `v` with `decimals` digits after the point, C locale, no "-0".
std::string Num(double v, int decimals = 1);

// Text for an element or an attribute.
std::string Esc(std::string_view text);

// A linear map from data to pixels.
struct Scale {
  double lo = 0, hi = 1;    // data
  double from = 0, to = 1;  // pixels
  double operator()(double v) const {
    return hi == lo ? (from + to) / 2 : from + (v - lo) * (to - from) / (hi - lo);
  }
  double PixelsPerUnit() const { return hi == lo ? 0 : (to - from) / (hi - lo); }
};

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about
// `wanted` pieces.
double NiceStep(double span, int wanted);
// The multiples of NiceStep within [lo, hi].
std::vector<double> NiceTicks(double lo, double hi, int wanted);
// Decimals that show a step of `step` exactly.
int DecimalsFor(double step);

// Colours that differ in lightness as well as hue, so a reader who cannot
// tell red from green, or a grey print, still tells them apart.
const char* SeriesColour(int i);
// Dash patterns to go with them ("" solid).
const char* SeriesDash(int i);

// Thins points that would overlap: Take is true for the first point of each
// kind in each cell of `cell` pixels.
class PixelGrid {
 public:
  explicit PixelGrid(double cell) : cell_(cell) {}
  bool Take(double x, double y, int kind);
  size_t Size() const { return cells_.size(); }

 private:
  double cell_;
  std::unordered_set<uint64_t> cells_;
};

// A line over pixel columns: the lowest and highest value of each column,
// and where the line breaks (a stretch without values between).
class ColumnLine {
 public:
  explicit ColumnLine(int columns) : lo_(columns), hi_(columns), has_(columns, 0), breakBefore_(columns, 0) {}
  void Add(int column, double v);
  // The next value starts a new piece of the line.
  void Break() { pendingBreak_ = true; }
  bool Empty() const { return !any_; }
  double Min() const { return min_; }
  double Max() const { return max_; }
  // An SVG path through the columns: x of column c is x0 + c.
  std::string Path(double x0, const Scale& y) const;

 private:
  std::vector<double> lo_, hi_;
  std::vector<uint8_t> has_, breakBefore_;
  bool pendingBreak_ = false, any_ = false;
  int last_ = -1;
  double min_ = 0, max_ = 0;
};

// The plot area of a figure and its scales.
struct Frame {
  double left = 60, top = 20, width = 600, height = 200;
  Scale x, y;
  void Fit() {
    x.from = left;
    x.to = left + width;
    y.from = top + height;
    y.to = top;
  }
};

// The page around the figures, with styles for the screen and for paper.
void PageBegin(std::FILE* out, const std::string& title);
void PageEnd(std::FILE* out);

// A figure: its <svg> with role="img", a <title> and the caption the
// screen reader reads with it. `id` is unique on the page.
void FigureBegin(std::FILE* out, const std::string& id, int width, int height, const std::string& title);
void FigureEnd(std::FILE* out, const std::string& id, const std::string& caption);

// Axes with grid lines, tick labels and axis names.
void Axes(std::FILE* out, const Frame& f, const std::string& xName, const std::string& yName, int xTicks = 8,
          int yTicks = 5);

// A time axis's unit for a span of seconds: s, min or h, and its divisor.
struct TimeUnit {
  const char* name;
  double seconds;
};
TimeUnit TimeUnitFor(double spanSeconds);

// The legend: a row of swatches with their names.
struct LegendItem {
  std::string name, colour, dash;
  bool point = false;  // a dot instead of a line
};
// Items in columns of `columnWidth` pixels, as many to a row as fit in 640.
void Legend(std::FILE* out, double x, double y, const std::vector<LegendItem>& items,
            double columnWidth = 120);
// The rows Legend takes, 16 pixels each.
int LegendRows(size_t items, double columnWidth = 120);

}  // namespace vantrel::evaluation::svg
