#pragma once
// The serial port as the reader thread and the window see it: a small table
// of operations with a termios implementation (PosixSerialPort) and a fake
// one for tests (FakeSerialPort).
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Time limits of the receiver port. A read returns when it has its bytes or
// the read limit has passed, possibly with nothing; a write gives up after
// the write limit.
constexpr int kReadTimeoutMs = 30;
constexpr int kWriteTimeoutMs = 100;

class SerialPort {
 public:
  virtual ~SerialPort() = default;  // closes the device if it is still open

  // Opens an existing device for exclusive use. False when it is absent,
  // busy or not openable; LastError() tells why.
  virtual bool Open(const std::string& path) = 0;

  // 8 data bits, no parity, 1 stop bit, raw, no flow control, at `baud`.
  // False when the driver refuses the settings or the speed.
  virtual bool Configure(long baud) = 0;

  // Reads until `n` bytes have arrived or `timeoutMs` has passed, whichever
  // is first. A hung-up device or an interrupted port waits out the time
  // (interrupted: returns at once) rather than returning early in a loop.
  virtual size_t Read(char* buffer, size_t n, int timeoutMs) = 0;

  // Writes all `n` bytes unless `timeoutMs` passes first; returns the count
  // written.
  virtual size_t Write(const void* data, size_t n, int timeoutMs) = 0;

  // Drops what waits in the input queue; output is left alone.
  virtual void DiscardInput() = 0;

  // Safe from any thread: a read in progress and every later read return at
  // once, the terminal settings and modem lines found at open are put back,
  // and the device's exclusive use is given up so that it can be opened
  // again while a reader still holds this object.
  virtual void Interrupt() = 0;

  virtual void Close() = 0;

  // errno of the last failed operation of the window's thread (open,
  // configure, write), 0 if none.
  virtual int LastError() const = 0;

  // True once a read found the device gone: hung up, unplugged, an I/O
  // error. A silent device is not gone. Safe from any thread.
  virtual bool Gone() const = 0;

  // True when the line has hung up, found without reading: for a port that
  // is only written to, such as the signal generator's.
  virtual bool HungUp() const { return Gone(); }
};

// Creates the ports the window opens; tests hand in fakes.
class SerialPortFactory {
 public:
  virtual ~SerialPortFactory() = default;
  virtual std::unique_ptr<SerialPort> Create() = 0;
};

// The termios factory.
std::unique_ptr<SerialPortFactory> MakePosixSerialPortFactory();

// Why an open or a configuration failed, in words, for the line under the
// window's "Can't Open ComPort!!" or "ComPort Setting Error!!": what the
// system said about `path`, and what helps where something does (the group
// that owns the device, the program that holds it).
// `device` names what should be plugged in: "receiver" or "generator".
std::string PortFailureText(int error, const std::string& path, std::string_view device = "receiver");

// The device behind a port name: a text starting with "/" is a path, "COMn"
// (any letter case, n from 1) is /dev/ttyS(n-1), any other text is a name
// under /dev. A row of the port list that shows where a link points
// ("/dev/serial/by-id/usb-... -> ttyUSB0") names the link.
std::string DevicePath(const std::string& portName);

// Serial devices present now, as rows for the port list after
// "COM1".."COM100", sorted: the stable /dev/serial/by-id names, each showing
// the device it points to; the USB and ACM adapters no such name points to;
// the simulator's links in `simDir`. The other folders can be moved for tests.
// Where vantrel-sim runs unless told otherwise: "vantrel-sim" in the user's
// runtime directory ($XDG_RUNTIME_DIR), else "/tmp/vantrel-sim-UID".
std::string DefaultSimulatorDir();

std::vector<std::string> PresentSerialDevices(const std::string& simDir = DefaultSimulatorDir(),
                                              const std::string& devDir = "/dev",
                                              const std::string& byIdDir = "/dev/serial/by-id");

}  // namespace vantrel
