#pragma once
// One pseudo-terminal that plays the far end of a serial line. The program
// talks through the master side; Vantrel opens the slave through a link in
// the simulator's directory.
#include <cstddef>
#include <memory>
#include <string>
#include <sys/types.h>  // ssize_t

namespace vantrel::sim {

class Pty {
 public:
  // Opens the pair, sets the line raw at `baud` at once (so nothing echoes
  // back before the PC configures it), keeps the slave open so that the PC's
  // close never hangs the line up, and links `linkPath` to the slave.
  // Returns null and sets `error` on failure.
  static std::unique_ptr<Pty> Create(const std::string& linkPath, int baud, std::string& error);
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  int MasterFd() const { return master_; }
  const std::string& SlavePath() const { return slavePath_; }

  // Non-blocking write; returns how many bytes the line took (0 when full).
  size_t Write(const char* bytes, size_t count);
  // Non-blocking read; 0 when nothing is waiting.
  ssize_t Read(char* buffer, size_t size);
  // The baud rate the PC last set on its end, 0 when unknown.
  int PcBaud() const;

 private:
  Pty() = default;
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
  std::string linkPath_;
};

}  // namespace vantrel::sim
