// vantrel-genstream SECONDS: writes the synthetic 1 Hz stream to standard
// output, for profiling vantrel-log and seeding the fuzzers.
#include <cstdio>
#include <cstdlib>

#include "bench/StreamGenerator.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::atol(argv[1]) <= 0) {
    std::fputs("usage: vantrel-genstream SECONDS\n", stderr);
    return 2;
  }
  const std::string s = vantrel::bench::GenerateStream(static_cast<size_t>(std::atol(argv[1])));
  return std::fwrite(s.data(), 1, s.size(), stdout) == s.size() ? 0 : 1;
}
