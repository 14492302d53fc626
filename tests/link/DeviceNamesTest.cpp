#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "link/SerialPort.h"
#include "tests/link/PtyPair.h"

namespace vantrel {
namespace {

TEST(DevicePath, NamesOfTheListAndTypedOnes) {
  const struct {
    const char* name;
    const char* path;
  } cases[] = {
      {"COM1", "/dev/ttyS0"},
      {"COM100", "/dev/ttyS99"},
      {"com3", "/dev/ttyS2"},
      {"/tmp/vantrel-sim/receiver", "/tmp/vantrel-sim/receiver"},
      {"/dev/serial/by-id/usb-GPS-if00", "/dev/serial/by-id/usb-GPS-if00"},
      {"ttyUSB0", "/dev/ttyUSB0"},
      {"COM0", "/dev/COM0"},      // no port 0
      {"COM", "/dev/COM"},
      {"COM1x", "/dev/COM1x"},
      {"COM99999999", "/dev/COM99999999"},  // not a number we count to
      {"/dev/serial/by-id/usb-GPS-if00 -> ttyUSB0", "/dev/serial/by-id/usb-GPS-if00"},
  };
  for (const auto& c : cases) EXPECT_EQ(DevicePath(c.name), c.path) << c.name;
}

TEST(PresentSerialDevices, ListsTheSimulatorsLinksButNotOtherFiles) {
  test::PtyPair pty;
  ASSERT_TRUE(pty.Ok());
  char pattern[] = "/tmp/vantrel-names-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path dir = pattern;
  std::filesystem::create_symlink(pty.SlavePath(), dir / "receiver");
  std::ofstream(dir / "received.log") << "not a device";
  std::filesystem::create_symlink("/nonexistent", dir / "stale");

  const auto found = PresentSerialDevices(dir.string());
  EXPECT_NE(std::find(found.begin(), found.end(), (dir / "receiver").string()), found.end());
  EXPECT_EQ(std::find(found.begin(), found.end(), (dir / "received.log").string()), found.end());
  EXPECT_EQ(std::find(found.begin(), found.end(), (dir / "stale").string()), found.end());
  EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));
  std::filesystem::remove_all(dir);
}

TEST(PresentSerialDevices, StableNamesComeFirstEachShowingItsDevice) {
  namespace fs = std::filesystem;
  char pattern[] = "/tmp/vantrel-names-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path root = pattern;
  fs::create_directories(root / "dev" / "serial" / "by-id");
  // Two adapters (character devices stand in for them), one with a stable name.
  fs::create_symlink("/dev/null", root / "dev" / "ttyUSB0");
  fs::create_symlink("/dev/zero", root / "dev" / "ttyACM1");
  fs::create_symlink("../../ttyUSB0", root / "dev" / "serial" / "by-id" / "usb-GPS_Receiver_42-if00-port0");
  const auto rows = PresentSerialDevices((root / "sim").string(), (root / "dev").string(),
                                         (root / "dev" / "serial" / "by-id").string());
  const std::string stable = (root / "dev" / "serial" / "by-id" / "usb-GPS_Receiver_42-if00-port0").string();
  EXPECT_EQ(rows, (std::vector<std::string>{(root / "dev" / "serial" / "by-id" /
                                             "usb-GPS_Receiver_42-if00-port0 -> ttyUSB0").string(),
                                            (root / "dev" / "ttyACM1").string()}));
  EXPECT_EQ(DevicePath(rows[0]), stable);
  fs::remove_all(root);
}

TEST(PresentSerialDevices, MissingSimulatorDirectoryIsNoError) {
  EXPECT_NO_THROW(PresentSerialDevices("/tmp/vantrel-no-such-directory"));
}

}  // namespace
}  // namespace vantrel
