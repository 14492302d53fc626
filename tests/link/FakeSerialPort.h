#pragma once
// A serial port for tests: scripted open and configure results, recorded
// writes, input fed by the test. Header-only so link and window tests share
// it without another library.
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/SerialPort.h"

namespace vantrel {

// What every port made by one FakeSerialPortFactory shares with the test.
class FakePortDevice {
 public:
  // Script. An open fails with OpenError when it is not 0; the next
  // ConfigureFailures configurations fail with ConfigureError.
  void SetOpenError(int error) {
    std::lock_guard lock(mutex_);
    openError_ = error;
  }
  void FailConfigure(int error, int times = 1) {
    std::lock_guard lock(mutex_);
    configureError_ = error;
    configureFailures_ = times;
  }
  // The device goes away (unplugged): reads find it gone from now on, until
  // the next open.
  void Unplug() {
    std::lock_guard lock(mutex_);
    unplugged_ = true;
    changed_.notify_all();
  }
  // Bytes the receiver sends; a reader gets them in its next reads.
  void Feed(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    input_ += bytes;
    changed_.notify_all();
  }

  // Record.
  std::vector<std::string> OpenedPaths() { return Locked(openedPaths_); }
  std::vector<long> Bauds() { return Locked(bauds_); }
  std::vector<std::string> Writes() { return Locked(writes_); }
  int Discards() { return Locked(discards_); }
  int OpenPorts() { return Locked(openPorts_); }  // opened and not yet closed
  size_t InputLeft() { return Locked(input_).size(); }
  void ClearWrites() {
    std::lock_guard lock(mutex_);
    writes_.clear();
  }

 private:
  friend class FakeSerialPort;
  template <typename T>
  T Locked(const T& value) {
    std::lock_guard lock(mutex_);
    return value;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  int openError_ = 0;
  int configureError_ = 0;
  int configureFailures_ = 0;
  std::vector<std::string> openedPaths_;
  std::vector<long> bauds_;
  std::vector<std::string> writes_;
  std::string input_;
  int discards_ = 0;
  int openPorts_ = 0;
  bool unplugged_ = false;
};

class FakeSerialPort final : public SerialPort {
 public:
  explicit FakeSerialPort(std::shared_ptr<FakePortDevice> device) : device_(std::move(device)) {}
  ~FakeSerialPort() override { Close(); }

  bool Open(const std::string& path) override {
    std::lock_guard lock(device_->mutex_);
    device_->openedPaths_.push_back(path);
    if (device_->openError_ != 0) {
      lastError_ = device_->openError_;
      return false;
    }
    open_ = true;
    interrupted_ = false;
    device_->unplugged_ = false;
    ++device_->openPorts_;
    return true;
  }
  bool Configure(long baud) override {
    std::lock_guard lock(device_->mutex_);
    device_->bauds_.push_back(baud);
    if (device_->configureFailures_ > 0) {
      --device_->configureFailures_;
      lastError_ = device_->configureError_;
      return false;
    }
    return true;
  }
  size_t Read(char* buffer, size_t n, int timeoutMs) override {
    std::unique_lock lock(device_->mutex_);
    device_->changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return interrupted_ || device_->unplugged_ || !device_->input_.empty(); });
    if (interrupted_ || !open_ || device_->unplugged_) return 0;
    size_t count = std::min(n, device_->input_.size());
    std::memcpy(buffer, device_->input_.data(), count);
    device_->input_.erase(0, count);
    return count;
  }
  size_t Write(const void* data, size_t n, int) override {
    std::lock_guard lock(device_->mutex_);
    if (!open_) return 0;
    if (device_->unplugged_) {
      lastError_ = EIO;
      return 0;
    }
    device_->writes_.emplace_back(static_cast<const char*>(data), n);
    return n;
  }
  void DiscardInput() override {
    std::lock_guard lock(device_->mutex_);
    ++device_->discards_;
    device_->input_.clear();
  }
  void Interrupt() override {
    std::lock_guard lock(device_->mutex_);
    interrupted_ = true;
    device_->changed_.notify_all();
  }
  void Close() override {
    std::lock_guard lock(device_->mutex_);
    if (open_) --device_->openPorts_;
    open_ = false;
  }
  int LastError() const override {
    std::lock_guard lock(device_->mutex_);
    return lastError_;
  }
  bool Gone() const override {
    std::lock_guard lock(device_->mutex_);
    return open_ && device_->unplugged_;
  }

 private:
  std::shared_ptr<FakePortDevice> device_;
  bool open_ = false;         // guarded by the device's mutex
  bool interrupted_ = false;  // guarded by the device's mutex
  int lastError_ = 0;         // guarded by the device's mutex
};

class FakeSerialPortFactory final : public SerialPortFactory {
 public:
  explicit FakeSerialPortFactory(std::shared_ptr<FakePortDevice> device = std::make_shared<FakePortDevice>())
      : device_(std::move(device)) {}
  std::unique_ptr<SerialPort> Create() override { return std::make_unique<FakeSerialPort>(device_); }
  FakePortDevice& Device() { return *device_; }
  std::shared_ptr<FakePortDevice> SharedDevice() { return device_; }

 private:
  std::shared_ptr<FakePortDevice> device_;
};

}  // namespace vantrel
