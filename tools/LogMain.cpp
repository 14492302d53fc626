// vantrel-log: reads a recorded receiver stream the way the reader thread
// reads the port and prints what the decoders made of it: their records,
// counts, the epochs as a table or a track, and the figures of a receiver
// evaluation.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Version.h"
#include "tools/Exports.h"
#include "tools/FixStats.h"
#include "tools/LogInput.h"
#include "tools/LogReader.h"

namespace {

using namespace vantrel::logtool;

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
    "  count  the number of sentences of each type, of checksum failures, of\n"
    "         ignored pieces (other talkers and types, text between sentences)\n"
    "         and whether the end cut off a last sentence (0 or 1).\n"
    "  csv    one row per epoch: date, time, position, fix, speed, course, DOPs,\n"
    "         satellites in view and used.\n"
    "  gpx    the fixes as a GPX track.\n"
    "  kml    the fixes as a KML track line with the first and last fix marked.\n"
    "  stats  sentences, epochs, time to first fix, fix availability, scatter\n"
    "         (CEP50, CEP95, 2DRMS, vertical), HDOP and SNR per satellite.\n"
    "\n"
    "json and count read the \"$GP\" talker only, as the window does; csv, gpx,\n"
    "kml and stats read every GNSS talker (\"$GP\", \"$GN\", \"$GL\", \"$GA\", \"$GB\").\n"
    "\"vantrel-log SUBCOMMAND --help\" says more about each; \"vantrel-log\n"
    "--version\" prints the program's version.\n"
    "\n"
    "Exit status: 0 done, 1 the file could not be read or holds no NMEA\n"
    "sentence at all, 2 a wrong command line.\n"
    "See also vantrel(1), vantrel-bench(1) and vantrel-sim(1).\n";

constexpr const char* kEpochsNote =
    "An epoch is one fix cycle of the receiver: it begins with a sentence that\n"
    "carries another UTC time than the one before (GGA, RMC, GLL, ZDA); where\n"
    "the time cannot tell (a receiver without a fix may leave it empty), with\n"
    "a sentence of a talker and type the epoch has had already, or one that\n"
    "came earlier in the order of the epoch before. Each epoch is reported with\n"
    "the receiver record as the window shows it after the epoch's last\n"
    "sentence; the satellites in view and used are summed over the talkers.\n"
    "Every GNSS talker is read. Positions carry the record's 32-bit precision\n"
    "(about 0.5 m).\n";

struct Subcommand {
  const char* name;
  const char* help;
  bool epochs;  // reads epochs with every talker: its help ends with kEpochsNote
  bool stats;   // takes --reference and --json
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
     "used PRNs and the satellites in view.\n",
     false, false},
    {"count",
     "usage: vantrel-log count FILE\n"
     "\n"
     "The number of sentences of each type as the window reads them (\"$GP\"\n"
     "and the proprietary \"$PQOL\"), of checksum failures, of ignored pieces\n"
     "(other talkers and types, text between sentences) and, as \"cut at the\n"
     "end\", 1 when the end of FILE cut off a last sentence, else 0; one per\n"
     "line:\n"
     "  GGA                120\n",
     false, false},
    {"csv",
     "usage: vantrel-log csv FILE\n"
     "\n"
     "One row per epoch after a header row:\n"
     "  utc_date,utc_time,latitude,longitude,altitude_m,fix_type,fix_quality,\n"
     "  speed_kmh,course_deg,pdop,hdop,vdop,sats_in_view,sats_used\n"
     "utc_date is 2026-04-08, utc_time 10:10:10.000 (empty when the recording\n"
     "has none); latitude and longitude in decimal degrees, north and east\n"
     "positive; altitude in metres as the window shows it (the GGA altitude\n"
     "plus the geoid separation); fix_type none, 2D or 3D; fix_quality the GGA quality code\n"
     "(1 GPS, 2 DGPS, 6 estimated). Epochs without a fix leave position, speed,\n"
     "course and DOPs empty.\n",
     true, false},
    {"gpx",
     "usage: vantrel-log gpx FILE\n"
     "\n"
     "The fixes as a GPX 1.1 track on standard output: one point per epoch with\n"
     "a fix, with its elevation, time (when the recording has a date), fix type\n"
     "(2d, 3d, dgps), satellites used and HDOP, VDOP, PDOP. A stretch without a\n"
     "fix ends the track segment; the next fix begins a new one.\n",
     true, false},
    {"kml",
     "usage: vantrel-log kml FILE\n"
     "\n"
     "The fixes as a KML 2.2 document on standard output: a placemark at the\n"
     "first fix, the track as a line through every fix, a placemark at the last\n"
     "fix. Altitudes are the window's (GGA altitude plus geoid separation).\n",
     true, false},
    {"stats",
     "usage: vantrel-log stats [--reference LAT,LON,ALT] [--json] FILE\n"
     "\n"
     "The figures of a receiver evaluation:\n"
     "  sentences by talker and type, checksum failures, ignored pieces, a\n"
     "    last sentence cut off by the end of FILE (0 or 1);\n"
     "  epochs, and how many had a fix;\n"
     "  time to first fix, from the first epoch of the recording;\n"
     "  fix availability: epochs with a fix in percent of all epochs, and of\n"
     "    the epochs from the first fix on;\n"
     "  horizontal scatter of the fixes around their mean position, or around\n"
     "    the reference when given: CEP50 and CEP95 (radius holding 50 % and\n"
     "    95 % of the fixes) and 2DRMS (twice the root mean square distance);\n"
     "    vertical scatter: 50 % and 95 % of the height differences;\n"
     "  HDOP over the fixes: minimum, mean, 50 %, 95 %, maximum;\n"
     "  SNR of each satellite (talker and PRN): GSV groups listing it, groups\n"
     "    with an SNR, and its minimum, mean and maximum in dB-Hz.\n"
     "Percentiles are exact to 0.1 %; distances are in metres on the WGS 84\n"
     "ellipsoid.\n"
     "\n"
     "options:\n"
     "  --reference LAT,LON,ALT  the true position: decimal degrees (north and\n"
     "                           east positive) and the altitude in metres as\n"
     "                           the window shows it (GGA altitude plus geoid\n"
     "                           separation)\n"
     "  --json                   one JSON object instead of text, for scripts\n",
     true, true},
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

int RunLog(LogInput& in, Mode mode) {
  Counts counts;
  const ReadResult result = ReadLog(in, stdout, mode, counts);
  if (result.readOk && !result.anySentence) return NoSentence(in);
  if (mode == Mode::Count) WriteCounts(stdout, counts);
  return Conclude(in, result);
}

int RunExport(LogInput& in, DocumentWriter& writer) {
  SentenceCounts counts;
  const ReadResult result = ReadEpochs(in, writer, counts);
  if (result.readOk && !result.anySentence) return NoSentence(in);
  writer.Finish();
  return Conclude(in, result);
}

int RunStats(LogInput& in, const Options& o) {
  std::string error;
  const bool secondPass = !o.reference.has_value();
  if (secondPass && !in.PrepareSecondPass(error)) return Failed(error);
  in.EnableProgress(secondPass ? 2 : 1);

  StatsPass first;
  std::optional<ScatterPass> scatter;
  SentenceCounts counts;
  ReadResult result;
  if (o.reference) {
    scatter.emplace(*o.reference, true);
    BothSinks both(first, *scatter);
    result = ReadEpochs(in, both, counts);
  } else {
    result = ReadEpochs(in, first, counts);
  }
  if (!result.readOk) return Conclude(in, result);
  if (!result.anySentence) return NoSentence(in);
  if (!o.reference && first.MeanFix()) {
    // The mean is known only now: a second pass measures from it.
    if (!in.Rewind(error)) return Failed(error);
    scatter.emplace(*first.MeanFix(), false);
    SentenceCounts again;
    const ReadResult second = ReadEpochs(in, *scatter, again);
    if (!second.readOk) return Conclude(in, second);
  }
  StatsReport report = first.Report();
  report.sentences = counts;
  if (scatter) report.scatter = scatter->Result();
  if (o.json)
    WriteStatsJson(stdout, in.ShortName(), report);
  else
    WriteStatsText(stdout, in.ShortName(), report);
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
    } else if (o.sub->stats && (a == "--reference" || a.starts_with("--reference="))) {
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
  in.EnableProgress(1);
  if (name == "json") return RunLog(in, Mode::Json);
  if (name == "count") return RunLog(in, Mode::Count);
  if (name == "csv") {
    CsvWriter w(stdout);
    return RunExport(in, w);
  }
  if (name == "gpx") {
    GpxWriter w(stdout, in.ShortName());
    return RunExport(in, w);
  }
  KmlWriter w(stdout, in.ShortName());
  return RunExport(in, w);
}
