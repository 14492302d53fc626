#pragma once
// The window with its port open on a fake device, the open's own writes,
// pauses and boxes forgotten, so a test sees only what it caused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/link/FakeSerialPort.h"
#include "tests/ui/FakeSeams.h"
#include "ui/Form.h"

namespace vantrel::testing {

class OpenFormFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    form.Ports = &ports;
    form.BtnOpenClick();
    ASSERT_TRUE(form.PortOpen());
    Forget();
  }
  void TearDown() override { form.FormDestroy(); }

  // Drops what was written, paused and shown so far.
  void Forget() {
    ports.Device().ClearWrites();
    seams.Pauses.Recorded.clear();
    seams.Boxes.Texts.clear();
  }

  FakeSeams seams;
  FakeSerialPortFactory ports;
  TMainForm form{seams.Services()};
};

}  // namespace vantrel::testing
