#include "tools/LogInput.h"

#include <sys/stat.h>  // fstat: the size of a regular file
#include <unistd.h>    // isatty, STDERR_FILENO

#include <cerrno>
#include <cstring>

namespace vantrel::logtool {

std::string ProgressText(const std::string& name, uint64_t done, uint64_t total, int pass, int passes) {
  const unsigned percent = total == 0 ? 100u : static_cast<unsigned>(done >= total ? 100 : done * 100 / total);
  char text[64];
  if (passes > 1)
    std::snprintf(text, sizeof text, ": %u %% (pass %d of %d)", percent, pass, passes);
  else
    std::snprintf(text, sizeof text, ": %u %%", percent);
  return "reading " + name + text;
}

LogInput::~LogInput() {
  if (ownsFile_ && file_ != nullptr) std::fclose(file_);
}

bool LogInput::Open(const std::string& path, std::string& error) {
  if (path == "-") {
    file_ = stdin;
    name_ = "standard input";
  } else {
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) {
      error = "cannot open " + path + ": " + std::strerror(errno);
      return false;
    }
    ownsFile_ = true;
    name_ = path;
  }
  struct stat st {};
  if (fstat(fileno(file_), &st) == 0 && S_ISREG(st.st_mode)) {
    regular_ = true;
    size_ = static_cast<uint64_t>(st.st_size);
  }
  return true;
}

void LogInput::EnableProgress(int passes) {
  passes_ = passes;
  progress_ = size_ >= kProgressMinBytes && isatty(STDERR_FILENO);
}

size_t LogInput::Read(char* buffer, size_t size) {
  std::FILE* from = file_;
  const size_t n = std::fread(buffer, 1, size, from);
  if (n == 0) {
    if (std::ferror(from)) {
      failed_ = true;
      errno_ = errno;
    }
    if (progress_) ShowProgress(true);
    return 0;
  }
  done_ += n;
  if (progress_) ShowProgress(false);
  return n;
}

void LogInput::ShowProgress(bool last) {
  const int percent = size_ == 0 ? 100 : static_cast<int>(done_ * 100 / size_);
  if (!last && percent == shownPercent_) return;
  shownPercent_ = percent;
  // "\r" and erase to the end of the line: one line, rewritten.
  std::fprintf(stderr, "\r%s\033[K", ProgressText(name_, done_, size_, pass_, passes_).c_str());
  if (last && pass_ == passes_) std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
}

}  // namespace vantrel::logtool
