#include "evaluation/BenchReports.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "evaluation/Svg.h"

namespace vantrel::evaluation {
namespace {

using svg::Esc;
using svg::Num;

void Row(std::FILE* out, const std::string& name, const std::string& value) {
  std::fprintf(out, "<tr><th scope=\"row\">%s</th><td>%s</td></tr>\n", Esc(name).c_str(), Esc(value).c_str());
}

std::string Stroke(int series) {
  const char* dash = svg::SeriesDash(series);
  std::string s = std::string(" stroke=\"") + svg::SeriesColour(series) + "\"";
  if (*dash) s += std::string(" stroke-dasharray=\"") + dash + "\"";
  return s;
}

// A failure strip above a plot: a cross for each run without a result, so
// the plot shows where they were without giving them a value.
void CrossStrip(std::FILE* out, double left, double width, double y, const std::string& label) {
  std::fprintf(out, "<text x=\"%s\" y=\"%s\" text-anchor=\"end\" font-size=\"11\">%s</text>\n",
               Num(left - 5).c_str(), Num(y + 4).c_str(), Esc(label).c_str());
  std::fprintf(out, "<line class=\"grid\" x1=\"%s\" y1=\"%s\" x2=\"%s\" y2=\"%s\"/>\n", Num(left).c_str(),
               Num(y).c_str(), Num(left + width).c_str(), Num(y).c_str());
}

void Cross(std::FILE* out, double x, double y, int series) {
  std::fprintf(out, "<path class=\"failed\" d=\"M%s,%sl6,6m0,-6l-6,6\" stroke-width=\"1.5\"%s/>\n",
               Num(x - 3).c_str(), Num(y - 3).c_str(), Stroke(series).c_str());
}

// The top of a time axis: the longest time or the limit, with room above.
double TimeTop(const std::vector<TtffPageReceiver>& receivers, const std::optional<double>& limitS) {
  double maxS = limitS.value_or(0);
  for (const TtffPageReceiver& r : receivers)
    for (const TtffPageRun& run : r.runs)
      if (run.seconds) maxS = std::max(maxS, *run.seconds);
  return (maxS > 0 ? maxS : 1) * 1.08;
}

std::vector<svg::LegendItem> LegendOf(const std::vector<TtffPageReceiver>& receivers) {
  std::vector<svg::LegendItem> legend;
  for (size_t i = 0; i < receivers.size(); ++i)
    legend.push_back({receivers[i].port, svg::SeriesColour(static_cast<int>(i)),
                      svg::SeriesDash(static_cast<int>(i)), false});
  return legend;
}

// One cumulative distribution of the time to first fix per receiver (or
// unit, as `who` says), with the limit drawn when there is one.
void CdfFigure(std::FILE* out, const std::string& id, const std::string& title, const std::string& who,
               const std::vector<TtffPageReceiver>& receivers, const std::optional<double>& limitS) {
  svg::Frame f;
  f.left = 80;
  f.top = 20;
  f.width = 600;
  f.height = 240;
  f.x = {0, TimeTop(receivers, limitS)};
  f.y = {0, 100};
  f.Fit();
  const std::vector<svg::LegendItem> legend = LegendOf(receivers);
  const int legendRows = svg::LegendRows(legend.size(), 320);
  svg::FigureBegin(out, id, 720, 304 + 16 * legendRows, title);  // room for the last row's descenders
  svg::Axes(out, f, "time to first fix (s)", "runs with a fix (%)");
  for (size_t i = 0; i < receivers.size(); ++i) {
    const TtffPageReceiver& r = receivers[i];
    std::vector<double> times;
    for (const TtffPageRun& run : r.runs)
      if (run.seconds) times.push_back(*run.seconds);
    std::sort(times.begin(), times.end());
    // Of every run asked: a failure keeps the curve below 100 %.
    const double n = static_cast<double>(std::max<size_t>(r.runs.size(), 1));
    std::string d = "M" + Num(f.x(0)) + "," + Num(f.y(0));
    double lastX = f.x(0);
    for (size_t k = 0; k < times.size(); ++k) {
      const double x = f.x(times[k]), y = f.y(100.0 * static_cast<double>(k + 1) / n);
      // One step per pixel column: the last height in it is the one that shows.
      if (std::fabs(x - lastX) >= 0.5) {
        d += "H" + Num(x) + "V" + Num(y);
        lastX = x;
      } else {
        d += "V" + Num(y);
      }
    }
    d += "H" + Num(f.left + f.width);
    std::fprintf(out, "<path class=\"cdf\" data-port=\"%s\" d=\"%s\" fill=\"none\" stroke-width=\"2\"%s/>\n",
                 Esc(r.port).c_str(), d.c_str(), Stroke(static_cast<int>(i)).c_str());
  }
  if (limitS)
    std::fprintf(
        out,
        "<g class=\"limit\"><line x1=\"%s\" y1=\"%s\" x2=\"%s\" y2=\"%s\" stroke=\"#8b0000\" "
        "stroke-width=\"1.5\" stroke-dasharray=\"8 4\"/><text x=\"%s\" y=\"%s\">limit %s s</text></g>\n",
        Num(f.x(*limitS)).c_str(), Num(f.top).c_str(), Num(f.x(*limitS)).c_str(),
        Num(f.top + f.height).c_str(), Num(f.x(*limitS) + 4).c_str(), Num(f.top + 12).c_str(),
        Num(*limitS, 3).c_str());
  svg::Legend(out, f.left, 315, legend, 320);
  svg::FigureEnd(out, id,
                 "For each " + who +
                     ", the share of its runs that had a fix within the time on the axis; runs "
                     "without a fix keep a curve below 100 %." +
                     std::string(limitS ? " The dashed line is the limit." : ""));
}

// A run without a result: its cells (HTML) before the reason, and what it
// is counted under when the list is full.
struct Listed {
  std::string cells, reason, group;
};

// Runs without a result with their reasons: every one up to a page's worth,
// then counted by reason.
void ReasonList(std::FILE* out, const std::string& heads, const std::vector<Listed>& rows, const char* none) {
  constexpr size_t kListed = 100;
  if (rows.empty()) {
    std::fprintf(out, "<p>%s</p>\n", none);
    return;
  }
  std::fprintf(out, "<table class=\"failures\">\n<tr>%s<th>reason</th></tr>\n", heads.c_str());
  std::map<std::string, int> more;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i < kListed)
      std::fprintf(out, "<tr>%s<td>%s</td></tr>\n", rows[i].cells.c_str(), Esc(rows[i].reason).c_str());
    else
      ++more[rows[i].group + ": " + rows[i].reason];
  }
  std::fputs("</table>\n", out);
  for (const auto& [what, count] : more)
    std::fprintf(out, "<p>and %d more: %s</p>\n", count, Esc(what).c_str());
}

}  // namespace

void WriteTtffPage(std::FILE* out, const TtffPage& page) {
  svg::PageBegin(out, "Time to first fix: " + page.kind + " starts");
  std::fputs("<table class=\"campaign\">\n", out);
  Row(out, "restart", page.kind);
  Row(out, "runs per receiver", std::to_string(page.runsAsked));
  Row(out, "limit", page.limitS ? Num(*page.limitS, 3) + " s" : "none");
  Row(out, "written", page.written);
  Row(out, "report by", page.tool);
  std::fprintf(out, "<tr><th scope=\"row\">result</th><td class=\"%s\">%s</td></tr>\n</table>\n",
               page.pass ? "pass" : "fail", page.pass ? "pass" : "FAIL");

  int maxRun = 1;
  bool anyFailed = false;
  for (const TtffPageReceiver& r : page.receivers)
    for (const TtffPageRun& run : r.runs) {
      anyFailed = anyFailed || !run.seconds;
      maxRun = std::max(maxRun, run.index);
    }
  const double yTop = TimeTop(page.receivers, page.limitS);
  const std::vector<svg::LegendItem> legend = LegendOf(page.receivers);

  // Each run's time.
  std::fputs("<h2>Each run</h2>\n", out);
  {
    svg::Frame f;
    f.left = 80;
    f.top = 40;
    f.width = 600;
    f.height = 240;
    f.x = {0.5, maxRun + 0.5};
    f.y = {0, yTop};
    f.Fit();
    const int legendRows = svg::LegendRows(legend.size(), 320);
    svg::FigureBegin(out, "runs", 720, 324 + 16 * legendRows, "Time to first fix of each run");
    svg::Axes(out, f, "run", "time to first fix (s)");
    if (anyFailed) CrossStrip(out, f.left, f.width, f.top - 18, "no fix");
    for (size_t i = 0; i < page.receivers.size(); ++i) {
      const int series = static_cast<int>(i);
      svg::PixelGrid grid(2);
      std::fprintf(out, "<g class=\"runs\" data-port=\"%s\">\n", Esc(page.receivers[i].port).c_str());
      for (const TtffPageRun& run : page.receivers[i].runs) {
        const double x = f.x(run.index);
        if (!run.seconds) {
          if (grid.Take(x, 0, 1)) Cross(out, x, f.top - 18, series);
          continue;
        }
        const double y = f.y(*run.seconds);
        if (grid.Take(x, y, 0))
          std::fprintf(out, "<circle class=\"run\" cx=\"%s\" cy=\"%s\" r=\"3\" fill=\"%s\"/>\n",
                       Num(x).c_str(), Num(y).c_str(), svg::SeriesColour(series));
      }
      std::fputs("</g>\n", out);
    }
    if (page.limitS)
      std::fprintf(
          out,
          "<g class=\"limit\"><line x1=\"%s\" y1=\"%s\" x2=\"%s\" y2=\"%s\" stroke=\"#8b0000\" "
          "stroke-width=\"1.5\" stroke-dasharray=\"8 4\"/><text x=\"%s\" y=\"%s\" text-anchor=\"end\">limit "
          "%s s</text></g>\n",
          Num(f.left).c_str(), Num(f.y(*page.limitS)).c_str(), Num(f.left + f.width).c_str(),
          Num(f.y(*page.limitS)).c_str(), Num(f.left + f.width - 4).c_str(),
          Num(f.y(*page.limitS) - 4).c_str(), Num(*page.limitS, 3).c_str());
    svg::Legend(out, f.left, 335, legend, 320);
    svg::FigureEnd(
        out, "runs",
        "Time to first fix of every run, one colour per receiver" +
            std::string(anyFailed ? "; runs without a fix are crosses in the strip above, listed below"
                                  : "") +
            (page.limitS ? "; the dashed line is the limit." : "."));
  }

  std::fputs("<h2>Distribution</h2>\n", out);
  CdfFigure(out, "cdf", "Cumulative distribution of the time to first fix, one curve per receiver",
            "receiver", page.receivers, page.limitS);

  std::fputs(
      "<h2>Receivers</h2>\n<table class=\"receivers\">\n<tr><th>port</th><th>runs</th><th>with a fix</th>"
      "<th>failed</th><th>min s</th><th>median s</th><th>p95 s</th><th>max s</th><th>result</th></tr>\n",
      out);
  for (const TtffPageReceiver& r : page.receivers) {
    const auto timed =
        std::count_if(r.runs.begin(), r.runs.end(), [](const TtffPageRun& x) { return x.seconds; });
    std::fprintf(out,
                 "<tr><td>%s</td><td class=\"n\">%zu</td><td class=\"n\">%ld</td><td class=\"n\">%ld</td>",
                 Esc(r.port).c_str(), r.runs.size(), static_cast<long>(timed),
                 static_cast<long>(r.runs.size()) - static_cast<long>(timed));
    if (timed > 0)
      std::fprintf(
          out, "<td class=\"n\">%s</td><td class=\"n\">%s</td><td class=\"n\">%s</td><td class=\"n\">%s</td>",
          Num(r.minS, 3).c_str(), Num(r.medianS, 3).c_str(), Num(r.p95S, 3).c_str(), Num(r.maxS, 3).c_str());
    else
      std::fputs("<td colspan=\"4\">no run with a fix</td>", out);
    std::fprintf(out, "<td class=\"%s\">%s%s</td></tr>\n", r.pass ? "pass" : "fail", r.pass ? "pass" : "FAIL",
                 r.failure.empty() ? "" : (" (" + Esc(r.failure) + ")").c_str());
  }
  std::fputs("</table>\n", out);

  std::fputs("<h2>Failures</h2>\n", out);
  std::vector<Listed> failed;
  for (const TtffPageReceiver& r : page.receivers)
    for (const TtffPageRun& run : r.runs)
      if (!run.seconds)
        failed.push_back(
            {"<td>" + Esc(r.port) + "</td><td class=\"n\">" + std::to_string(run.index) + "</td>",
             run.failure.empty() ? "no fix" : run.failure, r.port});
  ReasonList(out, "<th>port</th><th>run</th>", failed, "None: every run had a fix.");
  svg::PageEnd(out);
}

void WriteSensitivityPage(std::FILE* out, const SensitivityPage& page) {
  svg::PageBegin(out, "Sensitivity of SV " + std::to_string(page.sv));
  std::fputs("<table class=\"run\">\n", out);
  Row(out, "receiver", page.port);
  Row(out, "generator", page.generator);
  Row(out, "test",
      page.acquisition && page.tracking ? "tracking, then acquisition"
      : page.acquisition                ? "acquisition"
                                        : "tracking");
  Row(out, "iterations", std::to_string(page.iterations));
  Row(out, "degrade", std::to_string(page.degradeDb) + " dB from the generator to the receiver");
  if (page.acquisition) Row(out, "acquisition threshold", std::to_string(page.acqCnr) + " dB-Hz");
  if (page.tracking) Row(out, "tracking threshold", std::to_string(page.trackCnr) + " dB-Hz");
  Row(out, "written", page.written);
  Row(out, "report by", page.tool);
  std::fprintf(out, "<tr><th scope=\"row\">result</th><td class=\"%s\">%s%s</td></tr>\n</table>\n",
               page.pass ? "pass" : "fail", page.pass ? "pass" : "FAIL",
               page.failure.empty() ? "" : (" (" + Esc(page.failure) + ")").c_str());

  std::fputs("<h2>SNR against generator level</h2>\n", out);
  if (page.curve.empty()) {
    std::fputs("<p>No tick was made: there is no curve.</p>\n", out);
  } else {
    int lo = page.curve.front().levelDbm, hi = lo, snrMax = std::max(page.acqCnr, page.trackCnr);
    bool unseen = false;
    for (const SensitivityPagePoint& p : page.curve) {
      lo = std::min(lo, p.levelDbm);
      hi = std::max(hi, p.levelDbm);
      if (p.snr)
        snrMax = std::max(snrMax, *p.snr);
      else
        unseen = true;
    }
    for (const SensitivityPageResult& r : page.results)
      if (r.dbm) {
        lo = std::min<int>(lo, static_cast<int>(*r.dbm + page.degradeDb));
        hi = std::max<int>(hi, static_cast<int>(*r.dbm + page.degradeDb));
      }
    svg::Frame f;
    f.left = 80;
    f.top = 40;
    f.width = 600;
    f.height = 260;
    f.x = {lo - 1.0, hi + 1.0};
    f.y = {0, snrMax + 5.0};
    f.Fit();
    // One curve per iteration and phase, in tick order.
    std::map<std::pair<int, bool>, std::vector<const SensitivityPagePoint*>> curves;
    for (const SensitivityPagePoint& p : page.curve) curves[{p.iteration, p.tracking}].push_back(&p);
    const int legendRows = svg::LegendRows(std::min<size_t>(curves.size(), 12), 213);
    svg::FigureBegin(out, "curve", 720, 364 + 16 * legendRows,
                     "SNR of the test satellite against the generator's level");
    svg::Axes(out, f, "level at the generator (dBm)", "SNR (dB-Hz)");
    if (unseen) CrossStrip(out, f.left, f.width, f.top - 18, "not seen");
    std::vector<svg::LegendItem> legend;
    int series = 0;
    for (const auto& [key, points] : curves) {
      const int colour = (key.first - 1) % 8;
      const char* dash = key.second ? "6 3" : "";
      std::string d;
      bool open = false;
      std::string lastVertex;
      svg::PixelGrid grid(2);
      std::string marks;
      for (const SensitivityPagePoint* p : points) {
        const double x = f.x(p->levelDbm);
        if (!p->snr) {
          open = false;  // a level where it was not seen breaks the line
          if (grid.Take(x, 0, 1)) {
            marks += "<path class=\"failed\" d=\"M" + Num(x - 3) + "," + Num(f.top - 21) +
                     "l6,6m0,-6l-6,6\" stroke=\"" + svg::SeriesColour(colour) + "\" stroke-width=\"1.5\"/>\n";
          }
          continue;
        }
        const double y = f.y(*p->snr);
        // Ticks at the same level and SNR, many while a level is held, make one vertex.
        const std::string vertex = Num(x) + "," + Num(y);
        if (!open || vertex != lastVertex) d += (open ? "L" : "M") + vertex;
        lastVertex = vertex;
        open = true;
        if (grid.Take(x, y, 0))
          marks += "<circle cx=\"" + Num(x) + "\" cy=\"" + Num(y) + "\" r=\"2.5\" fill=\"" +
                   svg::SeriesColour(colour) + "\"/>\n";
      }
      std::fprintf(out,
                   "<path class=\"curve\" data-iteration=\"%d\" data-phase=\"%s\" d=\"%s\" fill=\"none\" "
                   "stroke=\"%s\" stroke-width=\"1.5\"%s%s%s/>\n%s",
                   key.first, key.second ? "tracking" : "acquisition", d.c_str(), svg::SeriesColour(colour),
                   *dash ? " stroke-dasharray=\"" : "", dash, *dash ? "\"" : "", marks.c_str());
      if (series++ < 12)
        legend.push_back(
            {"iteration " + std::to_string(key.first) + (key.second ? " tracking" : " acquisition"),
             svg::SeriesColour(colour), dash, false});
    }
    auto threshold = [&](int cnr, const char* name) {
      std::fprintf(
          out,
          "<g class=\"threshold\"><line x1=\"%s\" y1=\"%s\" x2=\"%s\" y2=\"%s\" stroke=\"#8b0000\" "
          "stroke-width=\"1.5\" stroke-dasharray=\"8 4\"/><text x=\"%s\" y=\"%s\" text-anchor=\"end\">%s "
          "threshold %d dB-Hz</text></g>\n",
          Num(f.left).c_str(), Num(f.y(cnr)).c_str(), Num(f.left + f.width).c_str(), Num(f.y(cnr)).c_str(),
          Num(f.left + f.width - 4).c_str(), Num(f.y(cnr) - 4).c_str(), name, cnr);
    };
    if (page.acquisition) threshold(page.acqCnr, "acquisition");
    if (page.tracking) threshold(page.trackCnr, "tracking");
    // Iterations with the same result share one mark.
    std::map<std::pair<bool, int64_t>, std::string> marks;
    for (const SensitivityPageResult& r : page.results)
      if (r.dbm) {
        std::string& which = marks[{r.tracking, *r.dbm}];
        which += (which.empty() ? "" : ",") + std::to_string(r.iteration);
      }
    int mark = 0;
    for (const auto& [key, which] : marks) {
      const double x = f.x(static_cast<double>(key.second + page.degradeDb));
      std::fprintf(
          out,
          "<g class=\"result\"><line x1=\"%s\" y1=\"%s\" x2=\"%s\" y2=\"%s\" stroke=\"%s\" "
          "stroke-width=\"1\"/><text x=\"%s\" y=\"%s\" font-size=\"10\" transform=\"rotate(-90 %s %s)\">"
          "%s %lld dBm (iteration %s)</text></g>\n",
          Num(x).c_str(), Num(f.top).c_str(), Num(x).c_str(), Num(f.top + f.height).c_str(),
          svg::SeriesColour(mark++), Num(x + 10).c_str(), Num(f.top + f.height - 4).c_str(),
          Num(x + 10).c_str(), Num(f.top + f.height - 4).c_str(), key.first ? "tracking" : "acquisition",
          static_cast<long long>(key.second), which.size() > 20 ? "several" : which.c_str());
    }
    svg::Legend(out, f.left, 355, legend, 213);
    svg::FigureEnd(
        out, "curve",
        "The SNR the receiver reported for SV " + std::to_string(page.sv) +
            " at each generator level, one line per iteration (acquisition solid, tracking dashed); the "
            "dashed red lines are the thresholds, the thin vertical lines the results (at the generator, "
            "the receiver's level plus " +
            std::to_string(page.degradeDb) + " dB)" +
            (unseen ? "; levels where the satellite was not seen are crosses in the strip above." : "."));
  }

  std::fputs(
      "<h2>Results</h2>\n<table class=\"results\">\n<tr><th>iteration</th><th>test</th><th>last level held"
      "</th><th>first level lost</th></tr>\n",
      out);
  const auto level = [](const std::optional<int64_t>& dbm, const char* none) {
    return dbm ? std::to_string(*dbm) + " dBm" : std::string(none);
  };
  for (const SensitivityPageResult& r : page.results) {
    std::fprintf(out, "<tr><td class=\"n\">%d</td><td>%s</td>", r.iteration,
                 r.tracking ? "tracking" : "acquisition");
    if (r.dbm || r.heldDbm)
      std::fprintf(out, "<td class=\"n\">%s</td><td class=\"n\">%s</td></tr>\n",
                   level(r.heldDbm, "&#8211;").c_str(), level(r.dbm, "none down to the floor").c_str());
    else
      std::fprintf(out, "<td class=\"fail\" colspan=\"2\">no result: %s</td></tr>\n", Esc(r.failure).c_str());
  }
  std::fputs("</table>\n", out);
  svg::PageEnd(out);
}

void WriteResultsPage(std::FILE* out, const ResultsPage& page) {
  svg::PageBegin(out, "Results: " + page.selection);
  std::fputs("<table class=\"selection\">\n", out);
  Row(out, "selection", page.selection);
  Row(out, "listed", std::to_string(page.runs));
  Row(out, "written", page.written);
  Row(out, "report by", page.tool);
  std::fputs("</table>\n", out);

  std::fputs(
      "<h2>Counts</h2>\n<table class=\"counts\">\n<tr><th>kind</th><th>runs</th><th>pass</th><th>fail</th>"
      "<th>no result</th><th>no verdict of its own</th></tr>\n",
      out);
  ResultsPageCount total{"all"};
  const auto countRow = [out](const ResultsPageCount& c, const char* cls) {
    std::fprintf(
        out,
        "<tr class=\"%s\"><td>%s</td><td class=\"n\">%d</td><td class=\"n\">%d</td><td class=\"n\">%d</td>"
        "<td class=\"n\">%d</td><td class=\"n\">%d</td></tr>\n",
        cls, Esc(c.kind).c_str(), c.pass + c.fail + c.noResult + c.noVerdict, c.pass, c.fail, c.noResult,
        c.noVerdict);
  };
  for (const ResultsPageCount& c : page.counts) {
    countRow(c, "kind");
    total.pass += c.pass;
    total.fail += c.fail;
    total.noResult += c.noResult;
    total.noVerdict += c.noVerdict;
  }
  countRow(total, "total");
  std::fputs("</table>\n", out);

  for (const ResultsPageTtff& t : page.ttff) {
    std::fprintf(out, "<h2>Time to first fix: %s starts</h2>\n", Esc(t.restart).c_str());
    CdfFigure(
        out, "cdf-" + t.restart,
        "Cumulative distribution of the time to first fix of " + t.restart + " starts, one curve per unit",
        "unit", t.units, t.limitS);
  }

  if (!page.sensitivity.empty()) {
    std::fputs(
        "<h2>Sensitivity</h2>\n<table class=\"results\">\n<tr><th>unit</th><th>test</th><th>iteration</th>"
        "<th>last level held</th><th>first level lost</th></tr>\n",
        out);
    for (const ResultsPageLevel& l : page.sensitivity) {
      std::fprintf(out, "<tr><td>%s</td><td>%s</td><td class=\"n\">%lld</td>", Esc(l.unit).c_str(),
                   Esc(l.phase).c_str(), static_cast<long long>(l.iteration));
      if (l.heldDbm)
        std::fprintf(out, "<td class=\"n\">%s dBm</td><td class=\"n\">%s</td></tr>\n",
                     Num(*l.heldDbm, 0).c_str(),
                     l.lostDbm ? (Num(*l.lostDbm, 0) + " dBm").c_str() : "none down to the floor");
      else
        std::fprintf(out, "<td class=\"fail\" colspan=\"2\">no result: %s</td></tr>\n",
                     Esc(l.reason).c_str());
    }
    std::fputs("</table>\n", out);
  }

  if (!page.stations.empty()) {
    std::fputs(
        "<h2>Station tests</h2>\n<table class=\"stations\">\n<tr><th>time "
        "(UTC)</th><th>unit</th><th>port</th>"
        "<th>result</th></tr>\n",
        out);
    for (const ResultsPageStation& s : page.stations)
      std::fprintf(out, "<tr><td>%s</td><td>%s</td><td>%s</td><td class=\"%s\">%s%s</td></tr>\n",
                   Esc(s.time).c_str(), Esc(s.unit).c_str(), Esc(s.port).c_str(), s.pass ? "pass" : "fail",
                   s.pass ? "PASS" : "FAIL", s.reasons.empty() ? "" : (": " + Esc(s.reasons)).c_str());
    std::fputs("</table>\n", out);
  }

  std::fputs("<h2>Runs without a result</h2>\n", out);
  std::vector<Listed> missing;
  for (const ResultsPageMissing& m : page.missing)
    missing.push_back({"<td>" + Esc(m.time) + "</td><td>" + Esc(m.kind) + "</td><td>" + Esc(m.unit) +
                           "</td><td class=\"n\">" + std::to_string(m.seq) + "</td>",
                       m.reason.empty() ? "no reason kept" : m.reason, m.kind + " " + m.unit});
  ReasonList(out, "<th>time (UTC)</th><th>kind</th><th>unit</th><th>run</th>", missing,
             "None: every run listed has its value.");
  svg::PageEnd(out);
}

}  // namespace vantrel::evaluation
