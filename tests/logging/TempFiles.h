#pragma once
// Files for the log tests: a fresh directory that goes with its test, and
// the bytes of a file as they are on disk now, zero bytes included.
#include <stdlib.h>  // mkdtemp

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vantrel::testing {

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/vantrel-test-XXXXXX";
    if (mkdtemp(tmpl) != nullptr) path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool Made() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace vantrel::testing
