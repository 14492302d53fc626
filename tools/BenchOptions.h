#pragma once
// The pieces of vantrel-bench's command line that are plain rules: how a
// number option is read, where a CSV goes, how a field and a time are
// written into it. No parser, no Qt.
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel::benchtool {

// A number option's text in the C locale: finite, from `lo` to `hi`, and a
// whole number when `whole`. Nothing when it is not.
std::optional<double> ReadOptionNumber(std::string_view text, double lo, double hi, bool whole);

// Why a number option's text is refused, for the message that names the
// option: "not a whole number from 1 to 100000".
std::string NumberRangeText(double lo, double hi, bool whole);

// The file a --csv option names: "-" is standard output; an existing file
// is refused unless `force`, so that a campaign never overwrites the results
// of another by accident.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Empty when opened; otherwise what went wrong, for the user.
  std::string Open(const std::string& path, bool force);
  std::FILE* Get() const { return file_; }
  bool IsStandardOutput() const { return file_ == stdout; }
  // Closes it; false when a write or the close failed (a full disk).
  bool Close();

 private:
  std::FILE* file_ = nullptr;
};

// A port option's text: a relative path that names a file from the working
// directory becomes absolute, as a shell user means it; anything else (COMn,
// a name under /dev such as pts/3) is left to the port's own rule.
std::string PortArgument(const std::string& text);

// A CSV field: quoted when it holds a comma, a quote or a line end.
std::string CsvField(std::string_view text);

// UTC to the millisecond, as ISO 8601: 2026-12-09T00:41:02.123Z.
std::string UtcText(std::chrono::system_clock::time_point t);

}  // namespace vantrel::benchtool
