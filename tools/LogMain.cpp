// vantrel-log: reads a recorded receiver stream the way the reader thread
// reads the port and prints what the decoders made of it: their records,
// counts, the epochs as a table or a track, and the figures of a receiver
// evaluation.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Version.h"
#include "evaluation/Exports.h"
#include "evaluation/RecordingReport.h"
#include "evaluation/Stats.h"
#include "tools/BenchOptions.h"
#include "tools/LogInput.h"
#include "tools/LogReader.h"

namespace {

using namespace vantrel::logtool;
using namespace vantrel::evaluation;

constexpr const char* kUsage =
    "usage: vantrel-log SUBCOMMAND [OPTIONS] FILE\n"
    "\n"
    "Reads a recorded receiver stream (a log file written by Vantrel, or any\n"
    "capture of the serial line) through the same framing, dispatch and\n"
    "decoders as the program, in chunks of at most 100 bytes as the reader\n"
    "thread reads the port. FILE \"-\" reads standard input. A last sentence\n"
    "that the end of FILE cut off (no line end, checksum not right), as when a\n"
    "log was stopped while the module talked, is not read; count and stats\n"
    "report it as cut at the end.\n"
    "\n"
    "subcommands:\n"
    "  json   one JSON object per line for every GGA, RMC, VTG, GSA, GSV, GLL\n"
    "         and ZDA sentence, in stream order:\n"
    "           {\"line\": N, \"type\": \"GGA\", \"checksum_ok\": true, \"record\": {...}}\n"
    "         where line is the 1-based line of FILE on which the sentence\n"
    "         starts and record holds the receiver record after the decoder ran\n"
    "         (a sentence with a wrong checksum leaves it unchanged).\n"
    "  count  the number of sentences of each talker and type, of checksum\n"
    "         failures and ignored pieces, and whether the end cut off a last\n"
    "         sentence (0 or 1).\n"
    "  csv    one row per epoch: date, time, position, heights, fix quality,\n"
    "         speed, course, DOPs, error estimates, satellites in view and used.\n"
    "  gpx    the fixes as a GPX track.\n"
    "  kml    the fixes as a KML track line with the first and last fix marked.\n"
    "  stats  sentences, epochs, time to first fix, fix availability, scatter\n"
    "         (CEP50, CEP95, 2DRMS, vertical), HDOP and SNR per satellite.\n"
    "  report one HTML page with the stats figures and their plots: deviation\n"
    "         map, error, altitude and fix quality over time, SNR, sky plot.\n"
    "\n"
    "json reads the \"$GP\" talker only and shows what the window would hold;\n"
    "count, csv, gpx, kml, stats and report read every talker (GP, GL, GA, GB, BD, GQ,\n"
    "GI, GN) into an epoch model of their own, in double precision.\n"
    "\"vantrel-log SUBCOMMAND --help\" says more about each; \"vantrel-log\n"
    "--version\" prints the program's version.\n"
    "\n"
    "Exit status: 0 done, 1 the file could not be read or holds no NMEA\n"
    "sentence at all, or the report's page could not be written (an existing\n"
    "file without --force), 2 a wrong command line.\n"
    "See also vantrel(1), vantrel-bench(1) and vantrel-sim(1).\n";

constexpr const char* kEpochsNote =
    "An epoch is one fix cycle of the receiver, keyed by the UTC time of its\n"
    "position sentences (GGA, GNS, RMC, GLL); ZDA gives the date only. Where\n"
    "the time cannot tell (a receiver without a fix may leave it empty), a\n"
    "sentence of a talker and type the epoch has had already begins the next.\n"
    "The fix comes from the GGA (or GNS) quality, else from the RMC status.\n"
    "Every talker is read, with the NMEA 4.10 signal IDs; positions, heights\n"
    "and DOPs are the receiver's figures in double precision. A value that is\n"
    "missing is left out, never 0; one out of its range (a latitude beyond 90\n"
    "degrees, an altitude no receiver reports, an impossible date) is left out\n"
    "and counted as out of range. A position is read from the best sentence of\n"
    "its epoch (GGA, then GNS, RMC, GLL); those after it are not read again.\n"
    "Checksums with lowercase digits are read and counted apart.\n";

struct Subcommand {
  const char* name;
  const char* help;
  bool epochs;  // reads epochs with every talker: its help ends with kEpochsNote
  bool stats;   // takes --reference and --json
  bool page = false;  // takes --reference, -o FILE and --force
};

const Subcommand kSubcommands[] = {
    {"json",
     "usage: vantrel-log json FILE\n"
     "\n"
     "One JSON object per line for every GGA, RMC, VTG, GSA, GSV, GLL and ZDA\n"
     "sentence of the \"$GP\" talker, in stream order:\n"
     "  {\"line\": N, \"type\": \"GGA\", \"checksum_ok\": true, \"record\": {...}}\n"
     "line is the 1-based line of FILE on which the sentence starts; record is\n"
     "the receiver record after the decoder ran (unchanged after a wrong\n"
     "checksum): UTC date and time, position, fix, speed, course, DOPs, the\n"
     "used PRNs and the satellites in view. This is exactly what the window\n"
     "would hold, with its rules (32-bit fields, altitude plus geoid\n"
     "separation, 0 for a missing value); the other subcommands read the\n"
     "recording into the evaluation's own model.\n",
     false, false},
    {"count",
     "usage: vantrel-log count FILE\n"
     "\n"
     "The number of sentences of each talker and type (every talker, as csv,\n"
     "gpx, kml and stats read them), of other types, of vendor sentences (when\n"
     "there are any), of checksum failures and of checksums in lowercase\n"
     "digits, of ignored pieces (text between sentences) and, as \"cut at the\n"
     "end\", 1 when the end of FILE cut off a last sentence, else 0; one per\n"
     "line:\n"
     "  GNGGA              120\n",
     true, false},
    {"csv",
     "usage: vantrel-log csv FILE\n"
     "\n"
     "One row per epoch after a header row:\n"
     "  utc_date,utc_time,latitude,longitude,altitude_msl_m,geoid_separation_m,\n"
     "  ellipsoid_height_m,fix_type,fix_quality,fix_quality_name,speed_kmh,\n"
     "  course_deg,pdop,hdop,vdop,sigma_lat_m,sigma_lon_m,sigma_alt_m,\n"
     "  sats_in_view,sats_used\n"
     "utc_date is 2026-04-08, utc_time 10:10:10.000; latitude and longitude in\n"
     "decimal degrees to 1e-9, north and east positive; altitude_msl_m as the\n"
     "GGA gives it (above mean sea level), geoid_separation_m its geoid\n"
     "separation and ellipsoid_height_m their sum; fix_type none, 2D or 3D as\n"
     "the GSA says (empty for a fix no GSA describes); fix_quality the GGA\n"
     "quality 0 to 8 and its name (no fix, SPS, DGPS, PPS, RTK fixed, RTK\n"
     "float, dead reckoning, manual, simulated); sigma_* the GST error\n"
     "estimates; satellites counted once over every talker and signal.\n"
     "Position columns are filled for epochs with a fix; a value the epoch does\n"
     "not have is an empty cell.\n",
     true, false},
    {"gpx",
     "usage: vantrel-log gpx FILE\n"
     "\n"
     "The fixes as a GPX 1.1 track on standard output: one point per epoch with\n"
     "a fix, with its elevation above mean sea level, time (when the recording\n"
     "has a date), geoid height, fix (2d, 3d, dgps for DGPS and RTK, pps),\n"
     "satellites used and HDOP, VDOP, PDOP; what the epoch lacks is left out.\n"
     "A stretch without a fix ends the track segment.\n",
     true, false},
    {"kml",
     "usage: vantrel-log kml FILE\n"
     "\n"
     "The fixes as a KML 2.2 document on standard output: a placemark at the\n"
     "first fix, the track through every fix with the time of each point\n"
     "(gx:Track; a LineString for points without a date), in pieces of at\n"
     "most 500 points, and a placemark at the last fix. Altitudes are above\n"
     "mean sea level.\n",
     true, false},
    {"stats",
     "usage: vantrel-log stats [--reference LAT,LON,ALT] [--json] FILE\n"
     "\n"
     "The figures of a receiver evaluation:\n"
     "  sentences by talker and type, vendor sentences (when there are any),\n"
     "    checksum failures, lowercase checksums, values out of range,\n"
     "    ignored pieces, a last sentence cut off by the end of FILE (0 or 1);\n"
     "  epochs, how many had a fix, and the fixes by quality;\n"
     "  time to first fix, from the first epoch of the recording (\"not\n"
     "    measured\" when it starts with a fix; where epochs lack a time, the\n"
     "    spacing assumed for them is said);\n"
     "  fix availability: epochs with a fix in percent of all epochs, and of\n"
     "    the epochs from the first fix on;\n"
     "  horizontal scatter of the fixes around their mean position, or around\n"
     "    the reference when given: CEP50 and CEP95 (radius holding 50 % and\n"
     "    95 % of the fixes) and 2DRMS (twice the root mean square distance);\n"
     "    vertical scatter: 50 % and 95 % of the height differences;\n"
     "  HDOP over the fixes: minimum, mean, 50 %, 95 %, maximum;\n"
     "  SNR of each satellite and signal (system, PRN, signal ID): epochs\n"
     "    listing it, epochs with an SNR, minimum, mean and maximum in dB-Hz.\n"
     "Quantiles are exact: over the n sorted values x[0] .. x[n-1], the\n"
     "q-quantile is x[k] + (h - k) (x[k+1] - x[k]) with h = (n - 1) q and\n"
     "k = floor(h), linear interpolation between order statistics. Distances\n"
     "are in metres on the WGS 84 ellipsoid. The recording is read once: a\n"
     "pipe or a device is streamed.\n"
     "\n"
     "options:\n"
     "  --reference LAT,LON,ALT  the true position: decimal degrees (north and\n"
     "                           east positive) and the altitude in metres\n"
     "                           above mean sea level\n"
     "  --json                   one JSON object instead of text, for scripts\n",
     true, true},
    {"report",
     "usage: vantrel-log report [--reference LAT,LON,ALT] [-o OUT.html [--force]] FILE\n"
     "\n"
     "One self-contained HTML page (no network, no other file; it prints on\n"
     "paper) with the figures of \"vantrel-log stats\" as tables and their plots:\n"
     "  a deviation map of every fix in metres east and north of the mean\n"
     "    position (or the reference), coloured by fix quality, with the CEP50,\n"
     "    CEP95 and 2DRMS circles, a scale bar and equal axes;\n"
     "  horizontal error and altitude above mean sea level over time;\n"
     "  the fix quality over time with the time to first fix marked;\n"
     "  the SNR of every satellite over time, one plot per system and signal,\n"
     "    and a sky plot of the satellites' tracks.\n"
     "The figures are exact; where marks would fall on the same pixels they are\n"
     "drawn once, so a long recording gives a page of a few megabytes. The\n"
     "recording is read once, in flat memory.\n"
     "\n"
     "options:\n"
     "  --reference LAT,LON,ALT  the true position, as for stats\n"
     "  -o, --output FILE        write the page to FILE instead of standard output\n"
     "  --force                  overwrite FILE if it exists\n",
     true, false, true},
};

int Usage(const char* message, const char* detail) {
  std::fprintf(stderr, "vantrel-log: %s%s%s (try --help)\n", message, detail ? ": " : "", detail ? detail : "");
  return 2;
}

int Failed(const std::string& message) {
  std::fprintf(stderr, "vantrel-log: %s\n", message.c_str());
  return 1;
}

struct Options {
  const Subcommand* sub = nullptr;
  std::string file;
  std::optional<Position> reference;
  bool json = false;
  std::string output;  // report: empty for standard output
  bool force = false;
};

// Ends the report: a failed read or write is said, and no NMEA sentence at
// all is not a recording.
int Conclude(const LogInput& in, const ReadResult& result) {
  if (std::fflush(stdout) != 0) return Failed(std::string("cannot write the report: ") + std::strerror(errno));
  if (!result.readOk) return Failed("reading " + in.Name() + " failed: " + std::strerror(in.Error()));
  return 0;
}

int NoSentence(const LogInput& in) {
  return Failed(in.Name() + " holds no NMEA sentence: it is empty or not a receiver recording");
}

int RunLog(LogInput& in) {
  Counts counts;
  const ReadResult result = ReadLog(in, stdout, counts);
  if (result.readOk && !result.anySentence) return NoSentence(in);
  return Conclude(in, result);
}

// Counts every talker, as the exports read them.
class NoEpochs final : public IEpochSink {
 public:
  void OnEpoch(const Epoch&) override {}
};

void WriteTally(std::FILE* out, const SentenceTally& c) {
  auto line = [out](const std::string& name, uint64_t n) {
    std::fprintf(out, "%-20s %llu\n", name.c_str(), static_cast<unsigned long long>(n));
  };
  for (int t = 0; t < kTalkerCount; ++t)
    for (int k = 0; k < kKindCount; ++k)
      if (c.byTalker[t][k] != 0)
        line(std::string(TalkerName(static_cast<Talker>(t))) + KindName(static_cast<Kind>(k)), c.byTalker[t][k]);
  line("other types", c.otherTypes);
  if (c.vendor != 0) line("vendor sentences", c.vendor);  // a receiver without any says nothing of them
  line("checksum failures", c.checksumFailures);
  line("lowercase checksums", c.lowercaseChecksums);
  line("ignored pieces", c.ignored);
  line("cut at the end", c.cutAtEnd);
}

int RunCount(LogInput& in) {
  NoEpochs none;
  SentenceTally tally;
  const ReadResult result = ReadEpochs(in, none, tally, {.values = false});
  if (result.readOk && !result.anySentence) return NoSentence(in);
  WriteTally(stdout, tally);
  return Conclude(in, result);
}

int RunExport(LogInput& in, DocumentWriter& writer, Reads reads) {
  SentenceTally tally;
  const ReadResult result = ReadEpochs(in, writer, tally, reads);
  if (result.readOk && !result.anySentence) return NoSentence(in);
  writer.Finish();
  return Conclude(in, result);
}

int RunStats(LogInput& in, const Options& o) {
  in.EnableProgress(1);
  StatsCollector stats(o.reference);
  SentenceTally tally;
  const ReadResult result = ReadEpochs(in, stats, tally);
  if (!result.readOk) return Conclude(in, result);
  if (!result.anySentence) return NoSentence(in);
  const StatsReport report = stats.Report(tally);
  if (o.json)
    WriteStatsJson(stdout, in.ShortName(), report);
  else
    WriteStatsText(stdout, in.ShortName(), report);
  return Conclude(in, result);
}

int RunReport(LogInput& in, const Options& o) {
  const bool toFile = !o.output.empty() && o.output != "-";
  // Refused before the reading, opened after it: a recording with nothing
  // in it leaves no page behind and a forced file as it was.
  struct stat existing;
  if (toFile && !o.force && ::stat(o.output.c_str(), &existing) == 0)
    return Failed(o.output + " exists (--force overwrites it)");
  in.EnableProgress(1);
  RecordingReport report(o.reference);
  SentenceTally tally;
  const ReadResult result = ReadEpochs(in, report, tally);
  if (!result.readOk) return Conclude(in, result);
  if (!result.anySentence) return NoSentence(in);
  vantrel::benchtool::OutputFile page;
  if (toFile) {
    if (const std::string why = page.Open(o.output, o.force); !why.empty()) return Failed(why);
  }
  const RecordingInfo info{in.ShortName(), in.Size(), std::string("vantrel-log ") + vantrel::kVersion};
  const bool drawn = report.Write(toFile ? page.Get() : stdout, info, tally);
  if (!page.Close()) return Failed("cannot write " + o.output + ": " + std::strerror(errno));
  if (!drawn) return Failed("a temporary file failed: the report's plots are incomplete");
  return Conclude(in, result);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  Options o;
  if (!args.empty()) {
    for (const Subcommand& s : kSubcommands)
      if (args[0] == s.name) o.sub = &s;
  }
  for (std::string_view a : args) {
    if (a == "--version") {
      std::printf("vantrel-log %s\n", vantrel::kVersion);
      return 0;
    }
    if (a == "--help" || a == "-h") {
      std::fputs(o.sub ? o.sub->help : kUsage, stdout);
      if (o.sub && o.sub->epochs) std::printf("\n%s", kEpochsNote);
      return 0;
    }
  }
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (o.sub == nullptr) return Usage("unknown subcommand", argv[1]);
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (o.sub->stats && a == "--json") {
      o.json = true;
    } else if (o.sub->page && a == "--force") {
      o.force = true;
    } else if (o.sub->page && (a == "-o" || a == "--output" || a.starts_with("--output="))) {
      const bool attached = a.starts_with("--output=");
      if (!attached && i + 1 >= args.size()) return Usage("-o wants a FILE", nullptr);
      o.output = attached ? a.substr(a.find('=') + 1) : args[++i];
      if (o.output.empty()) return Usage("-o wants a FILE", nullptr);
    } else if ((o.sub->stats || o.sub->page) && (a == "--reference" || a.starts_with("--reference="))) {
      // "--reference=LAT,LON,ALT" or "--reference LAT,LON,ALT".
      const bool attached = a != "--reference";
      Position p;
      if ((!attached && i + 1 >= args.size()) ||
          !ParseReference(std::string(attached ? a.substr(a.find('=') + 1) : args[i + 1]), p))
        return Usage("--reference wants LAT,LON,ALT, e.g. 48.1173,11.5167,519.2", nullptr);
      o.reference = p;
      if (!attached) ++i;
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage("unknown option", std::string(a).c_str());
    } else if (o.file.empty()) {
      o.file = a;
    } else {
      return Usage("one FILE only", std::string(a).c_str());
    }
  }
  if (o.file.empty()) return Usage("no FILE given", nullptr);

  LogInput in;
  std::string error;
  if (!in.Open(o.file, error)) return Failed(error);
  static char outBuffer[1 << 16];
  std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);

  const std::string_view name = o.sub->name;
  if (name == "stats") return RunStats(in, o);
  if (name == "report") return RunReport(in, o);
  in.EnableProgress(1);
  if (name == "json") return RunLog(in);
  if (name == "count") return RunCount(in);
  if (name == "csv") {
    CsvWriter w(stdout);
    return RunExport(in, w, {});
  }
  if (name == "gpx") {
    GpxWriter w(stdout, in.ShortName());
    return RunExport(in, w, {.satellites = false, .motion = false});
  }
  KmlWriter w(stdout, in.ShortName());
  return RunExport(in, w, {.satellites = false, .motion = false});
}
