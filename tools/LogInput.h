#pragma once
// What vantrel-log reads: a recording named on the command line, or
// standard input, a pipe or a device, read once from start to end and never
// copied. For large files on a terminal, a progress line on standard error
// says how far the reading is.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace vantrel::logtool {

// Files above this size get a progress line when standard error is a
// terminal.
constexpr uint64_t kProgressMinBytes = 4u << 20;

// "reading FILE: 37 %" for `done` of `total` bytes, with the pass ("pass 1
// of 2") when there is more than one.
std::string ProgressText(const std::string& name, uint64_t done, uint64_t total, int pass, int passes);

class LogInput {
 public:
  LogInput() = default;
  ~LogInput();
  LogInput(const LogInput&) = delete;
  LogInput& operator=(const LogInput&) = delete;

  // Opens `path` ("-": standard input). False with `error` set when it
  // cannot be opened.
  bool Open(const std::string& path, std::string& error);
  // Shows a progress line on standard error while reading, for files of at
  // least kProgressMinBytes when standard error is a terminal, over
  // `passes` passes.
  void EnableProgress(int passes);

  // Up to `size` bytes; 0 at the end or after a failed read (Failed()).
  size_t Read(char* buffer, size_t size);
  bool Failed() const { return failed_; }
  int Error() const { return errno_; }
  // The name for messages: the path, or "standard input".
  const std::string& Name() const { return name_; }
  // The name for documents: the file's name without its folders.
  // The size of a regular file; none for a pipe or a device.
  std::optional<uint64_t> Size() const {
    if (!regular_) return std::nullopt;
    return size_;
  }
  std::string ShortName() const { return name_.substr(name_.find_last_of('/') + 1); }

 private:
  void ShowProgress(bool last);

  std::FILE* file_ = nullptr;
  bool ownsFile_ = false;
  bool failed_ = false;
  int errno_ = 0;
  std::string name_;
  bool regular_ = false;  // a regular file: it can be rewound
  uint64_t size_ = 0;     // of a regular file, 0 when unknown
  uint64_t done_ = 0;  // bytes read in this pass
  int pass_ = 1;
  int passes_ = 1;
  bool progress_ = false;
  int shownPercent_ = -1;
};

}  // namespace vantrel::logtool
