#include "evaluation/Svg.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "evaluation/Text.h"

namespace vantrel::evaluation::svg {

std::string Num(double v, int decimals) {
  if (!std::isfinite(v)) return "0";
  char text[64];
  auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "0";
  std::string s(text, end);
  // "-0.0" reads as a sign nobody measured.
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string Esc(std::string_view text) { return XmlEscaped(text); }

double NiceStep(double span, int wanted) {
  if (!(span > 0) || wanted < 1) return 1;
  const double raw = span / wanted;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / power;
  return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * power;
}

std::vector<double> NiceTicks(double lo, double hi, int wanted) {
  std::vector<double> ticks;
  if (!(hi > lo)) return {lo};
  const double step = NiceStep(hi - lo, wanted);
  // Rounded to the step's decimals: 3 x 0.2 is 0.6, not 0.6000000000000001.
  const double scale = std::pow(10.0, DecimalsFor(step));
  for (double k = std::ceil(lo / step - 1e-9); k * step <= hi + step * 1e-9 && ticks.size() < 100; ++k)
    ticks.push_back(std::round(k * step * scale) / scale + 0.0);
  return ticks;
}

int DecimalsFor(double step) {
  if (!(step > 0)) return 0;
  return std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 9);
}

namespace {
// Dark indigo, orange, dark green, magenta, light blue, brown, purple, black:
// lightness from about 25 to 75, neighbours apart by hue and lightness.
constexpr const char* kColours[] = {"#253494", "#e08214", "#1b7837", "#c51b7d",
                                    "#41b6c4", "#8c510a", "#7b3294", "#111111"};
constexpr const char* kDashes[] = {"", "6 3", "2 2", "8 3 2 3"};
}  // namespace

const char* SeriesColour(int i) { return kColours[i % 8]; }
const char* SeriesDash(int i) { return kDashes[(i / 8 + i) % 4]; }

bool PixelGrid::Take(double x, double y, int kind) {
  const auto cx = static_cast<uint64_t>(static_cast<int64_t>(std::floor(x / cell_)) & 0xFFFFF);
  const auto cy = static_cast<uint64_t>(static_cast<int64_t>(std::floor(y / cell_)) & 0xFFFFF);
  return cells_.insert((static_cast<uint64_t>(kind & 0xFFFFFF) << 40) | (cx << 20) | cy).second;
}

void ColumnLine::Add(int column, double v) {
  if (column < 0 || column >= static_cast<int>(has_.size()) || !std::isfinite(v)) return;
  if (!has_[column]) {
    lo_[column] = hi_[column] = v;
    has_[column] = 1;
  } else {
    lo_[column] = std::min(lo_[column], v);
    hi_[column] = std::max(hi_[column], v);
  }
  if (pendingBreak_ && column != last_) breakBefore_[column] = 1;
  pendingBreak_ = false;
  last_ = column;
  min_ = any_ ? std::min(min_, v) : v;
  max_ = any_ ? std::max(max_, v) : v;
  any_ = true;
}

std::string ColumnLine::Path(double x0, const Scale& y) const {
  std::string d;
  bool open = false;
  for (size_t c = 0; c < has_.size(); ++c) {
    if (!has_[c]) continue;
    const std::string x = Num(x0 + static_cast<double>(c), 1);
    d += (!open || breakBefore_[c]) ? "M" : "L";
    d += x + ',' + Num(y(lo_[c]), 1);
    if (hi_[c] != lo_[c]) d += "L" + x + ',' + Num(y(hi_[c]), 1);
    open = true;
  }
  return d;
}

void PageBegin(std::FILE* out, const std::string& title) {
  std::fprintf(out,
               "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
               "<title>%s</title>\n<style>\n"
               "body{font-family:\"Liberation Sans\",Arial,Helvetica,sans-serif;color:#111;background:#fff;"
               "margin:1.5em auto;max-width:60em;padding:0 1em;line-height:1.4}\n"
               "h1{font-size:1.5em}h2{font-size:1.2em;margin-top:1.6em}\n"
               "table{border-collapse:collapse;margin:.5em 0}td,th{border:1px solid #bbb;padding:.15em .5em;"
               "text-align:left;vertical-align:top}td.n{text-align:right;font-variant-numeric:tabular-nums}\n"
               "figure{margin:1em 0;break-inside:avoid;page-break-inside:avoid}\n"
               "figcaption{font-size:.9em;color:#333;max-width:50em}\n"
               "svg{max-width:100%%;height:auto;display:block}svg text{font-size:12px;fill:#111}\n"
               ".grid{stroke:#ddd;stroke-width:1}.axis{stroke:#555;stroke-width:1;fill:none}\n"
               ".fail{color:#8b0000;font-weight:bold}.pass{font-weight:bold}\n"
               "@media print{body{margin:0;max-width:none}h2{break-after:avoid}}\n"
               "</style>\n</head>\n<body>\n<h1>%s</h1>\n",
               Esc(title).c_str(), Esc(title).c_str());
}

void PageEnd(std::FILE* out) { std::fputs("</body>\n</html>\n", out); }

void FigureBegin(std::FILE* out, const std::string& id, int width, int height, const std::string& title) {
  std::fprintf(out,
               "<figure id=\"%s\">\n<svg xmlns=\"http://www.w3.org/2000/svg\" role=\"img\" width=\"%d\" "
               "height=\"%d\" viewBox=\"0 0 %d %d\" aria-labelledby=\"%s-title %s-caption\">\n"
               "<title id=\"%s-title\">%s</title>\n",
               id.c_str(), width, height, width, height, id.c_str(), id.c_str(), id.c_str(),
               Esc(title).c_str());
}

void FigureEnd(std::FILE* out, const std::string& id, const std::string& caption) {
  std::fprintf(out, "</svg>\n<figcaption id=\"%s-caption\">%s</figcaption>\n</figure>\n", id.c_str(),
               Esc(caption).c_str());
}

void Axes(std::FILE* out, const Frame& f, const std::string& xName, const std::string& yName, int xTicks,
          int yTicks) {
  const double bottom = f.top + f.height, right = f.left + f.width;
  std::fputs("<g class=\"axes\">\n", out);
  const int xd = DecimalsFor(NiceStep(f.x.hi - f.x.lo, xTicks));
  for (double t : NiceTicks(std::min(f.x.lo, f.x.hi), std::max(f.x.lo, f.x.hi), xTicks)) {
    const std::string x = Num(f.x(t), 1);
    std::fprintf(out,
                 "<line class=\"grid\" x1=\"%s\" y1=\"%s\" x2=\"%s\" y2=\"%s\"/>"
                 "<text x=\"%s\" y=\"%s\" text-anchor=\"middle\">%s</text>\n",
                 x.c_str(), Num(f.top).c_str(), x.c_str(), Num(bottom).c_str(), x.c_str(),
                 Num(bottom + 15).c_str(), Num(t, xd).c_str());
  }
  const int yd = DecimalsFor(NiceStep(f.y.hi - f.y.lo, yTicks));
  for (double t : NiceTicks(std::min(f.y.lo, f.y.hi), std::max(f.y.lo, f.y.hi), yTicks)) {
    const std::string y = Num(f.y(t), 1);
    std::fprintf(out,
                 "<line class=\"grid\" x1=\"%s\" y1=\"%s\" x2=\"%s\" y2=\"%s\"/>"
                 "<text x=\"%s\" y=\"%s\" text-anchor=\"end\">%s</text>\n",
                 Num(f.left).c_str(), y.c_str(), Num(right).c_str(), y.c_str(), Num(f.left - 5).c_str(),
                 Num(f.y(t) + 4).c_str(), Num(t, yd).c_str());
  }
  std::fprintf(out, "<rect class=\"axis\" x=\"%s\" y=\"%s\" width=\"%s\" height=\"%s\"/>\n",
               Num(f.left).c_str(), Num(f.top).c_str(), Num(f.width).c_str(), Num(f.height).c_str());
  std::fprintf(out, "<text x=\"%s\" y=\"%s\" text-anchor=\"middle\">%s</text>\n",
               Num(f.left + f.width / 2).c_str(), Num(bottom + 32).c_str(), Esc(xName).c_str());
  const std::string cx = Num(f.left - 45), cy = Num(f.top + f.height / 2);
  std::fprintf(out,
               "<text x=\"%s\" y=\"%s\" text-anchor=\"middle\" transform=\"rotate(-90 %s %s)\">%s</text>\n",
               cx.c_str(), cy.c_str(), cx.c_str(), cy.c_str(), Esc(yName).c_str());
  std::fputs("</g>\n", out);
}

TimeUnit TimeUnitFor(double spanSeconds) {
  if (spanSeconds > 3 * 3600) return {"h", 3600};
  if (spanSeconds > 600) return {"min", 60};
  return {"s", 1};
}

namespace {
size_t PerRow(double columnWidth) { return std::max<size_t>(1, static_cast<size_t>(640 / columnWidth)); }
}  // namespace

int LegendRows(size_t items, double columnWidth) {
  return static_cast<int>((items + PerRow(columnWidth) - 1) / PerRow(columnWidth));
}

void Legend(std::FILE* out, double left, double top, const std::vector<LegendItem>& items,
            double columnWidth) {
  std::fputs("<g class=\"legend\">\n", out);
  for (size_t i = 0; i < items.size(); ++i) {
    const LegendItem& item = items[i];
    const double x = left + static_cast<double>(i % PerRow(columnWidth)) * columnWidth;
    const double y = top + 16.0 * static_cast<double>(i / PerRow(columnWidth));
    if (item.point)
      std::fprintf(out, "<circle cx=\"%s\" cy=\"%s\" r=\"4\" fill=\"%s\"/>", Num(x + 8).c_str(),
                   Num(y - 4).c_str(), item.colour.c_str());
    else
      std::fprintf(
          out, "<line x1=\"%s\" y1=\"%s\" x2=\"%s\" y2=\"%s\" stroke=\"%s\" stroke-width=\"2.5\"%s%s%s/>",
          Num(x).c_str(), Num(y - 4).c_str(), Num(x + 18).c_str(), Num(y - 4).c_str(), item.colour.c_str(),
          item.dash.empty() ? "" : " stroke-dasharray=\"", item.dash.c_str(), item.dash.empty() ? "" : "\"");
    std::fprintf(out, "<text x=\"%s\" y=\"%s\">%s</text>\n", Num(x + 22).c_str(), Num(y).c_str(),
                 Esc(item.name).c_str());
  }
  std::fputs("</g>\n", out);
}

}  // namespace vantrel::evaluation::svg
