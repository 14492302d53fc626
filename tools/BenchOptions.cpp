#include "tools/BenchOptions.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace vantrel::benchtool {

std::optional<double> ReadOptionNumber(std::string_view text, double lo, double hi, bool whole) {
  double value = 0;
  const char* end = text.data() + text.size();
  // from_chars reads the C locale's numbers whatever the user's locale is.
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  // "inf" and "nan" read as numbers, but nothing downstream can use them.
  if (!std::isfinite(value) || value < lo || value > hi) return std::nullopt;
  if (whole && value != std::floor(value)) return std::nullopt;
  return value;
}

std::string NumberRangeText(double lo, double hi, bool whole) {
  char text[96];
  std::snprintf(text, sizeof text, "not a %s from %g to %g", whole ? "whole number" : "number", lo, hi);
  return text;
}

OutputFile::~OutputFile() { Close(); }

std::string OutputFile::Open(const std::string& path, bool force) {
  if (path == "-") {
    file_ = stdout;
    return "";
  }
  // O_EXCL: the check that the file is not there and its creation are one step.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (force ? O_TRUNC : O_EXCL), 0666);
  if (fd < 0) {
    if (errno == EEXIST) return path + " exists (--force overwrites it)";
    return "cannot write " + path + ": " + std::strerror(errno);
  }
  file_ = ::fdopen(fd, "w");
  if (!file_) {
    ::close(fd);
    return "cannot write " + path + ": " + std::strerror(errno);
  }
  return "";
}

bool OutputFile::Close() {
  if (!file_) return true;
  bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
  if (file_ != stdout) ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  return ok;
}

std::string PortArgument(const std::string& text) {
  std::error_code error;
  if (text.empty() || text[0] == '/' || text.find('/') == std::string::npos) return text;
  if (!std::filesystem::exists(text, error)) return text;
  const std::filesystem::path absolute = std::filesystem::absolute(text, error);
  return error ? text : absolute.lexically_normal().string();
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string UtcText(std::chrono::system_clock::time_point t) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(((ms % 1000) + 1000) % 1000));
  return text;
}

}  // namespace vantrel::benchtool
