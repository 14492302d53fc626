// vantrel-log: reads a recorded receiver stream the way the reader thread
// reads the port and prints what the decoders made of it.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "tools/LogReader.h"

namespace {

constexpr const char* kUsage =
    "usage: vantrel-log SUBCOMMAND FILE\n"
    "\n"
    "Reads a recorded receiver stream (a log file written by Vantrel, or any\n"
    "capture of the serial line) through the same framing, dispatch and\n"
    "decoders as the program, in chunks of at most 100 bytes as the reader\n"
    "thread reads the port. FILE \"-\" reads standard input.\n"
    "\n"
    "subcommands:\n"
    "  json   one JSON object per line for every GGA, RMC, VTG, GSA, GSV, GLL\n"
    "         and ZDA sentence, in stream order:\n"
    "           {\"line\": N, \"type\": \"GGA\", \"checksum_ok\": true, \"record\": {...}}\n"
    "         where line is the 1-based line of FILE on which the sentence\n"
    "         starts and record holds the receiver record after the decoder ran\n"
    "         (a sentence with a wrong checksum leaves it unchanged).\n"
    "  count  the number of sentences of each type, of checksum failures and of\n"
    "         ignored pieces (other talkers and types, text between sentences).\n"
    "\n"
    "options:\n"
    "  --help  this text\n";

int Fail(const char* message, const char* detail) {
  std::fprintf(stderr, "vantrel-log: %s%s%s\n", message, detail ? ": " : "", detail ? detail : "");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using vantrel::logtool::Mode;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  if (argc != 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string_view sub = argv[1];
  Mode mode;
  if (sub == "json") mode = Mode::Json;
  else if (sub == "count") mode = Mode::Count;
  else return Fail("unknown subcommand (try --help)", argv[1]);

  const bool useStdin = std::string_view(argv[2]) == "-";
  std::FILE* in = useStdin ? stdin : std::fopen(argv[2], "rb");
  if (in == nullptr) {
    const int error = errno;
    std::fprintf(stderr, "vantrel-log: cannot open %s: %s\n", argv[2], std::strerror(error));
    return 1;
  }
  static char outBuffer[1 << 16];
  std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);

  const bool readOk = vantrel::logtool::ReadLog(in, stdout, mode);
  const int readError = errno;
  if (!useStdin) std::fclose(in);
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "vantrel-log: cannot write the report: %s\n", std::strerror(errno));
    return 1;
  }
  if (!readOk) {
    std::fprintf(stderr, "vantrel-log: reading %s failed: %s\n", useStdin ? "standard input" : argv[2],
                 std::strerror(readError));
    return 1;
  }
  return 0;
}
