#include "sim/CommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include <unistd.h>  // geteuid

#include "sim/Replay.h"
#include "sim/Sentence.h"

namespace vantrel::sim {

const char kHelp[] =
    "Usage: vantrel-sim [options]\n"
    "A simulated GPS receiver module and GPS-101 signal generator on pseudo-terminals.\n"
    "\n"
    "Files in the directory (default $XDG_RUNTIME_DIR/vantrel-sim, or\n"
    "/tmp/vantrel-sim-UID without it; made private, and refused when it is a\n"
    "symbolic link or another user's):\n"
    "  receiver       link to the receiver's serial port: open it in Vantrel\n"
    "  generator      link to the signal generator's serial port\n"
    "  control        FIFO for runtime control, one line per action (see below)\n"
    "  control.log    each control line once applied: \"ok LINE\" or \"error LINE: why\"\n"
    "                 (a refusal repeated is counted: \"(the line above N more times)\")\n"
    "  received.log   every chunk received from the PC: seconds since start, byte\n"
    "                 count, \"ok\" or \"unreadable\" (wrong baud rate), the bytes\n"
    "                 with \\r \\n \\0 \\\\ and \\xHH escapes\n"
    "  received.bin   the same bytes, raw\n"
    "  generator.log  the generator's received chunks, in the same format\n"
    "  commands.log   each line received from the PC and the module's answer\n"
    "  sent.log       with --log-sent: every sentence sent, when its last byte left,\n"
    "                 \"sent\", \"garbled\" (PC at another rate) or \"cut\" (line full)\n"
    "  sent.bin       with --log-sent: the bytes that left the line, raw\n"
    "  stats          counters, rewritten every second, on SIGUSR1 and at exit\n"
    "  truth.csv      one line per epoch sent: UTC, fix (1 or 0), the true latitude,\n"
    "                 longitude and height (GGA altitude plus geoid separation),\n"
    "                 and the error added north, east and up in metres (--noise)\n"
    "  pid            the simulator's process id\n"
    "\n"
    "Options (a number outside its range, infinite or not a number is refused):\n"
    "  --dir DIR          directory of the links and files (created if missing)\n"
    "  --baud N           the module's baud rate at start, 300 to 4000000 (38400)\n"
    "  --fix-rate HZ      fixes per second, 1 to 5 (1)\n"
    "  --chn-rate N       channel status \"$PQOLCHN\" every N fixes, 0 = off, to 255 (1)\n"
    "  --rate TYPE=N      output rate of GGA, GLL, GSA, GSV, RMC, VTG, ZDA or CHN\n"
    "  --all-rates N      every sentence type every N fixes (rates: 0 to 255)\n"
    "  --ttff-hot S       seconds from a hot restart to the fix (1)\n"
    "  --ttff-warm S      seconds from a warm restart to the fix (30)\n"
    "  --ttff-cold S      seconds from a cold restart to the fix (35); each 0 to 100000\n"
    "  --flood            stream back to back at the full line rate (CPU measurements)\n"
    "  --refuse N         answer command N (-999 to 999) with flag 2 (repeatable)\n"
    "  --log-sent         write sent.log and sent.bin\n"
    "  --silent           send nothing at all\n"
    "  --asleep           no NMEA output until the wake-up command \"$PQOL188\"\n"
    "  --no-fix           never get a fix\n"
    "  --flash-writes N   flash writes the module allows, 0 to 1000000 (10)\n"
    "  --lat DEG --lon DEG  centre of the simulated drive, inside +-89 and +-179\n"
    "                     (48.1173, 11.5167)\n"
    "  --static           stand still at the centre instead of driving round it\n"
    "  --noise H[,V]      add normally distributed errors to the reported position:\n"
    "                     H metres (standard deviation) north and east each, V up\n"
    "                     (1.5 H unless given), each 0 to 1000; truth.csv says what\n"
    "                     was added\n"
    "  --sky-speed X      how much faster than real satellites move, 0 to 1000000 (30)\n"
    "  --gen-loss DB      attenuation from generator to receiver, -200 to 200 (40)\n"
    "  --gen-baud N       the signal generator's baud rate, 300 to 4000000 (19200)\n"
    "  --utc EPOCH        UTC of the first fix, in seconds since 1970, before 2100 (now)\n"
    "  --replay FILE      play a recording (a Vantrel log or any raw capture of a\n"
    "                     receiver's line) instead of the simulated fixes, byte for\n"
    "                     byte, at the pace of the UTC times in its sentences.\n"
    "                     Commands are logged and only acknowledged (\",3\"; refused\n"
    "                     and ignored as control says); nothing else changes\n"
    "  --replay-speed N   N times the recording's pace, above 0 to 1000000; \"max\":\n"
    "                     as fast as the line at --baud takes it (1)\n"
    "  --replay-loop      start the recording again at its end\n"
    "  --help             this text\n"
    "  --version          the program's version\n"
    "\n"
    "Commands from the PC are answered \"$PQOL001,<command>,3\" when carried out and\n"
    "\",2\" when refused; a refused command changes nothing. Queries get their reply\n"
    "sentence instead. Refused: missing or extra fields, fields that are not whole\n"
    "numbers, and values out of range: fix period 200 to 1000 ms, output rates 0 to\n"
    "255 (n: every n-th fix, 0: never), baud rates other than 4800, 9600, 14400,\n"
    "19200, 38400, 57600 and 115200, datum above 222, DGPS mode above 2.\n"
    "  baud \"$PQOL251\"      acknowledged at the old rate, then the module talks\n"
    "                       and listens at the new one\n"
    "  RTCM \"$PQOL250\"      \"1,0,<baud>\" turns the RTCM input on, \"0,0,<baud>\" off;\n"
    "                       DGPS mode 1 turns it on, 0 and 2 off; the reply\n"
    "                       \"$PQOL702,1,0,<baud>\" says on, \"$PQOL702,0,0,<baud>\" off\n"    "  SBAS \"$PQOL313\"      on (the default) or off; GGA quality 2 needs SBAS on and\n"
    "                       DGPS mode 2 (no RTCM corrections are simulated)\n"
    "  flash \"$PQOL390\"     applies and keeps all 14 settings, its baud rate as\n"
    "                       \"$PQOL251\" does, and uses up one of the writes left.\n"
    "                       With none left, or after a write with protection 1, it\n"
    "                       is refused\n"
    "  wake-up \"$PQOL188\"   starts the output of a module started --asleep\n"
    "\n"
    "Control lines (write them to the control FIFO, e.g. echo fault > DIR/control):\n"
    "  fault              report a receiver fault: \"$PQOL001,-1,3\" (one a second at most)\n"
    "  refuse N / accept N   answer command N with flag 2 / normally again\n"
    "  ignore N / heed N     give command N no answer at all; N = all for every command\n"
    "  silent on|off      stop / resume all output\n"
    "  nofix on|off       lose / regain the fix\n"
    "  baud N             switch the module's rate without telling the PC\n"
    "  reset-stats        zero the counters\n"
    "  stats              write the stats file now\n"
    "\n"
    "Generator lines: \"MAIN:TEST 1\", \"MAIN:SV n\", \"MAIN:RFLVL x\" (dBm); the level sets\n"
    "the SNR of satellite n: level - loss + 174 - 3 dB, lost below 12, acquired at 20.\n"
    "\n"
    "SIGINT and SIGTERM stop the simulator and remove its links; SIGUSR1 prints the\n"
    "counters.\n"
    "\n"
    "Exit status: 0 stopped by a signal, 2 a wrong command line or a directory or\n"
    "pseudo-terminal that cannot be made.\n"
    "See also vantrel(1), vantrel-log(1) and vantrel-bench(1).\n";

std::string DefaultRunDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/vantrel-sim";
  return "/tmp/vantrel-sim-" + std::to_string(geteuid());
}

namespace {

constexpr double kLongestTtff = 100000.0;  // seconds; the window gives up at 1000
// 2100-01-01: four-digit years in ZDA, two-digit ones in RMC stay sound.
constexpr double kLatestUtc = 4102444800.0;

bool ArgDouble(const char* text, double& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtod(text, &end);
  // "inf" and "nan" read as numbers but mean none: nothing downstream can use them.
  return errno == 0 && end != text && *end == '\0' && std::isfinite(out);
}

bool ArgInt(const char* text, long lo, long hi, int& out) {
  long v = 0;
  if (!ParseInt(text, v) || v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

// "H" or "H,V", metres, neither negative nor above 1000.
bool ArgNoise(const char* text, double& h, double& v) {
  const char* comma = std::strchr(text, ',');
  const std::string first = comma ? std::string(text, comma) : std::string(text);
  if (!ArgDouble(first.c_str(), h) || h < 0 || h > 1000) return false;
  v = 1.5 * h;
  return !comma || (ArgDouble(comma + 1, v) && v >= 0 && v <= 1000);
}

bool SetRate(OutputRates& r, const std::string& type, int n) {
  int* slot = type == "GGA"   ? &r.gga
              : type == "GLL" ? &r.gll
              : type == "GSA" ? &r.gsa
              : type == "GSV" ? &r.gsv
              : type == "RMC" ? &r.rmc
              : type == "VTG" ? &r.vtg
              : type == "ZDA" ? &r.zda
              : type == "CHN" ? &r.chn
                              : nullptr;
  if (!slot) return false;
  *slot = n;
  return true;
}

}  // namespace

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv) {
  ParsedCommandLine parsed;
  ProgramOptions& p = parsed.options;
  ModuleOptions& opt = p.module;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    // "--baud=9600" as well as "--baud 9600".
    std::optional<std::string> attached;
    if (const size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
      attached = a.substr(eq + 1);
      a.resize(eq);
    }
    bool valueTaken = false;
    auto value = [&]() -> const char* {
      valueTaken = true;
      if (attached) return attached->c_str();
      if (i + 1 >= argc) return nullptr;
      return argv[++i];
    };
    const char* v = nullptr;
    int n = 0;
    double d = 0;
    if (a == "--help" || a == "-h") {
      parsed.help = true;
      return parsed;
    } else if (a == "--version") {
      parsed.version = true;
      return parsed;
    } else if (a == "--flood") {
      opt.flood = true;
    } else if (a == "--log-sent") {
      p.logSent = true;
    } else if (a == "--asleep") {
      opt.asleep = true;
    } else if (a == "--silent") {
      p.silent = true;
    } else if (a == "--no-fix") {
      p.noFix = true;
    } else if (a == "--static") {
      opt.stationary = true;
    } else if (a == "--replay-loop") {
      p.replayLoop = true;
    } else if (!(v = value())) {
      parsed.error = "missing value or unknown option " + a + " (see --help)";
      return parsed;
    } else if (a == "--dir") {
      p.dir = v;
    } else if (a == "--baud" && ArgInt(v, 300, 4000000, n)) {
      opt.baud = n;
    } else if (a == "--gen-baud" && ArgInt(v, 300, 4000000, n)) {
      p.generatorBaud = n;
    } else if (a == "--fix-rate" && ArgInt(v, 1, 5, n)) {
      opt.fixPeriodMs = 1000 / n;
    } else if (a == "--chn-rate" && ArgInt(v, 0, 255, n)) {
      opt.rates.chn = n;
    } else if (a == "--rate" && std::strchr(v, '=') && ArgInt(std::strchr(v, '=') + 1, 0, 255, n) &&
               SetRate(opt.rates, std::string(v, std::strchr(v, '=')), n)) {
    } else if (a == "--all-rates" && ArgInt(v, 0, 255, n)) {
      opt.rates = OutputRates{n, n, n, n, n, n, n, n};
    } else if (a == "--ttff-hot" && ArgDouble(v, d) && d >= 0 && d <= kLongestTtff) {
      opt.ttffHot = d;
    } else if (a == "--ttff-warm" && ArgDouble(v, d) && d >= 0 && d <= kLongestTtff) {
      opt.ttffWarm = d;
    } else if (a == "--ttff-cold" && ArgDouble(v, d) && d >= 0 && d <= kLongestTtff) {
      opt.ttffCold = d;
    } else if (a == "--refuse" && ArgInt(v, -999, 999, n)) {
      p.refused.push_back(static_cast<Command>(n));
    } else if (a == "--flash-writes" && ArgInt(v, 0, 1000000, n)) {
      opt.flashWrites = n;
    } else if (a == "--lat" && ArgDouble(v, d) && d > -89 && d < 89) {
      opt.latitude = d;
    } else if (a == "--lon" && ArgDouble(v, d) && d > -179 && d < 179) {
      // Like the latitude, a degree short of the edge: the drive around the
      // centre must not cross it.
      opt.longitude = d;
    } else if (a == "--noise" && ArgNoise(v, opt.noiseH, opt.noiseV)) {
    } else if (a == "--replay" && *v != '\0') {
      p.replay = v;
    } else if (a == "--replay-speed" && ParseReplaySpeed(v, p.replaySpeed)) {
    } else if (a == "--sky-speed" && ArgDouble(v, d) && d >= 0 && d <= 1e6) {
      opt.skySpeed = d;
    } else if (a == "--gen-loss" && ArgDouble(v, d) && d >= -200 && d <= 200) {
      opt.genLossDb = d;
    } else if (a == "--utc" && ArgDouble(v, d) && d > 0 && d < kLatestUtc) {
      opt.utcStart = static_cast<std::time_t>(d);
    } else {
      parsed.error = "bad option " + a + " " + v + " (see --help)";
      return parsed;
    }
    if (attached && !valueTaken) {
      parsed.error = "option " + a + " takes no value (see --help)";
      return parsed;
    }
  }
  return parsed;
}

}  // namespace vantrel::sim
