// vantrel-bench's command-line rules: number options, the CSV file and its
// fields.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tools/BenchOptions.h"

namespace vantrel::benchtool {
namespace {

TEST(BenchOptions, NumbersAreFiniteInRangeAndWholeWhenAsked) {
  struct Case {
    const char* text;
    double lo, hi;
    bool whole;
    std::optional<double> expected;
  };
  const Case cases[] = {
      {"20", 1, 100000, true, 20},
      {"1e3", 1, 100000, true, 1000},
      {"0.57", 0, 86400, false, 0.57},
      {"0", 0, 86400, false, 0},
      {"86400", 0, 86400, false, 86400},
      {"86400.001", 0, 86400, false, std::nullopt},
      {"0", 1, 100000, true, std::nullopt},
      {"-1", 0, 10, false, std::nullopt},
      {"1.5", 1, 100, true, std::nullopt},
      {"inf", 0, 86400, false, std::nullopt},
      {"-inf", -1e9, 1e9, false, std::nullopt},
      {"nan", 0, 86400, false, std::nullopt},
      {"1e999", 0, 86400, false, std::nullopt},
      {"99999999999999999999", 1, 100000, true, std::nullopt},
      {"", 0, 10, false, std::nullopt},
      {"5x", 0, 10, false, std::nullopt},
      {" 5", 0, 10, false, std::nullopt},
      {"0x10", 0, 100, true, std::nullopt},
      {"5,5", 0, 10, false, std::nullopt},  // the C locale's numbers only
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadOptionNumber(c.text, c.lo, c.hi, c.whole), c.expected) << c.text;
  }
  EXPECT_EQ(NumberRangeText(1, 100000, true), "not a whole number from 1 to 100000");
  EXPECT_EQ(NumberRangeText(0, 86400, false), "not a number from 0 to 86400");
}

TEST(BenchOptions, CsvFieldsAndTimes) {
  EXPECT_EQ(CsvField("/dev/ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(CsvField("timeout after 60 s"), "timeout after 60 s");
  EXPECT_EQ(CsvField("/tmp/a,b"), "\"/tmp/a,b\"");
  EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
  using namespace std::chrono;
  EXPECT_EQ(UtcText(system_clock::time_point(milliseconds(1796779262123))), "2026-12-09T01:21:02.123Z");
  EXPECT_EQ(UtcText(system_clock::time_point(milliseconds(0))), "1970-01-01T00:00:00.000Z");
}

TEST(BenchOptions, APortGivenAsARelativePathIsTheFileFromHere) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("vantrel-port-" + std::to_string(getpid()));
  fs::create_directories(dir / "rx");
  std::ofstream(dir / "rx" / "receiver").put('\n');
  const fs::path was = fs::current_path();
  fs::current_path(dir);
  const std::string mine = (dir / "rx" / "receiver").string();
  const struct {
    const char* text;
    std::string port;
  } cases[] = {
      {"rx/receiver", mine},  {"./rx/../rx/receiver", mine}, {"/dev/ttyS0", "/dev/ttyS0"},
      {"COM3", "COM3"},       {"ttyUSB0", "ttyUSB0"},         {"pts/3", "pts/3"},  // not here: a name under /dev
      {"rx/missing", "rx/missing"},
  };
  for (const auto& c : cases) EXPECT_EQ(PortArgument(c.text), c.port) << c.text;
  fs::current_path(was);
  fs::remove_all(dir);
}

TEST(BenchOptions, AnExistingFileIsOverwrittenOnlyWhenForced) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("bench-options-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "runs.csv").string();
  {
    OutputFile f;
    ASSERT_EQ(f.Open(path, false), "");
    std::fputs("first\n", f.Get());
    EXPECT_TRUE(f.Close());
  }
  {
    OutputFile f;
    EXPECT_EQ(f.Open(path, false), path + " exists (--force overwrites it)");
    EXPECT_EQ(f.Get(), nullptr);
  }
  std::string kept;
  std::getline(std::ifstream(path), kept);
  EXPECT_EQ(kept, "first");
  {
    OutputFile f;
    ASSERT_EQ(f.Open(path, true), "");
    std::fputs("second\n", f.Get());
  }
  std::getline(std::ifstream(path), kept);
  EXPECT_EQ(kept, "second");
  OutputFile missing;
  EXPECT_EQ(missing.Open((dir / "no" / "such.csv").string(), true).rfind("cannot write ", 0), 0u);
  OutputFile out;
  EXPECT_EQ(out.Open("-", false), "");
  EXPECT_TRUE(out.IsStandardOutput());
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vantrel::benchtool
