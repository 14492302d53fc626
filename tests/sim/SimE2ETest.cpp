// The simulator as Vantrel meets it: through its pseudo-terminal, started
// and controlled by the harness.
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/sim/SimHarness.h"
#include "tests/sim/SimPort.h"

namespace vantrel::test {
namespace {

// Checked here without the simulator's own helpers, so a fault there shows.
bool ChecksumRight(const std::string& line) {
  const size_t star = line.find('*');
  if (line.empty() || line[0] != '$' || star == std::string::npos || star + 3 != line.size()) return false;
  unsigned sum = 0;
  for (size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(line[i]);
  char want[3];
  std::snprintf(want, sizeof want, "%02X", sum);
  return line.compare(star + 1, 2, want) == 0;
}

// `body` with "*", its checksum and CR LF, computed here for the same reason.
std::string Sentence(const std::string& body) {
  unsigned sum = 0;
  for (size_t i = 1; i < body.size(); ++i) sum ^= static_cast<unsigned char>(body[i]);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return body + tail;
}

std::vector<std::string> Lines(const std::string& stream) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : stream) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  return lines;  // an unfinished last line is left out
}

// Whole sentences that begin with `prefix`, in order, after the first line
// break (the first piece may be the tail of a sentence).
std::vector<std::string> With(const std::string& stream, const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& l : Lines(stream))
    if (l.rfind(prefix, 0) == 0) out.push_back(l);
  return out;
}

std::string Field(const std::string& sentence, int index) {
  std::stringstream in(sentence.substr(0, sentence.find('*')));
  std::string f;
  for (int i = 0; i <= index; ++i)
    if (!std::getline(in, f, ',')) return "<none>";
  return f;
}

// The SNR field of satellite `prn` in the last GSV group of `stream`, or
// "<absent>" when the satellite is not listed.
std::string SnrOf(const std::string& stream, int prn) {
  const auto gsv = With(stream, "$GPGSV,");
  char id[4];
  std::snprintf(id, sizeof id, "%02d", prn);
  for (auto it = gsv.rbegin(); it != gsv.rend(); ++it)
    for (int f = 4; f + 3 <= 19; f += 4)
      if (Field(*it, f) == id) return Field(*it, f + 3);
  return "<absent>";
}

class Sim : public ::testing::Test {
 protected:
  void Start(const std::vector<std::string>& args = {}) {
    sim_ = std::make_unique<SimHarness>(args);
    ASSERT_TRUE(sim_->Started()) << sim_->Error();
    port_ = std::make_unique<SimPort>(sim_->ReceiverPath(), 38400);
    ASSERT_TRUE(port_->IsOpen());
  }
  // Reads until a whole sentence beginning with `prefix` has arrived.
  bool ReadSentence(const std::string& prefix, int ms, std::string* got) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (With(*got, prefix).empty()) {
      if (std::chrono::steady_clock::now() >= end) return false;
      port_->ReadUntil("\n", 20, got);
    }
    return true;
  }
  std::unique_ptr<SimHarness> sim_;
  std::unique_ptr<SimPort> port_;
};

TEST_F(Sim, StreamsAPlausibleOneHertzSetWithRightChecksums) {
  Start();
  const std::string got = port_->ReadFor(3500);
  std::vector<std::string> lines = Lines(got);
  ASSERT_GT(lines.size(), 10u);
  lines.erase(lines.begin());  // may begin mid-sentence
  for (const std::string& l : lines) EXPECT_TRUE(ChecksumRight(l)) << l;
  const auto gga = With(got, "$GPGGA,");
  EXPECT_GE(gga.size(), 2u);
  EXPECT_LE(gga.size(), 4u);
  EXPECT_FALSE(With(got, "$GPGSA,").empty());
  EXPECT_FALSE(With(got, "$GPRMC,").empty());
  EXPECT_FALSE(With(got, "$GPVTG,").empty());
  EXPECT_FALSE(With(got, "$PQOLCHN,").empty());
  // A complete GSV group: message numbers 1..n, each announcing n.
  const auto gsv = With(got, "$GPGSV,");
  ASSERT_FALSE(gsv.empty());
  size_t first = 0;
  while (first < gsv.size() && Field(gsv[first], 2) != "1") ++first;
  ASSERT_LT(first, gsv.size());
  const int total = std::stoi(Field(gsv[first], 1));
  ASSERT_LE(first + total, gsv.size());
  for (int m = 0; m < total; ++m) EXPECT_EQ(Field(gsv[first + m], 2), std::to_string(m + 1));
  // Channel status: 32 fields of exactly five digits.
  const std::string chn = With(got, "$PQOLCHN,").back();
  for (int i = 1; i <= 32; ++i) EXPECT_EQ(Field(chn, i).size(), 5u) << chn;
  EXPECT_EQ(Field(chn, 33), "<none>");
}

TEST_F(Sim, AnswersTheSevenQueriesOfThePortOpenInOrder) {
  Start();
  for (const char* q : {"$PQOL414*33\r\n", "$PQOL400*36\r\n", "$PQOL602*36\r\n", "$PQOL401*37\r\n",
                        "$PQOL419*3E\r\n", "$PQOL490*3F\r\n", "$PQOL430*35\r\n"})
    ASSERT_TRUE(port_->Write(q));
  std::string got;
  ASSERT_TRUE(ReadSentence("$PQOL530,", 3000, &got));
  const std::vector<std::string> replies = With(got, "$PQOL");
  std::vector<std::string> names;
  for (const std::string& r : replies)
    if (r.rfind("$PQOLCHN", 0) != 0) names.push_back(r.substr(0, 8));
  EXPECT_EQ(names, (std::vector<std::string>{"$PQOL514", "$PQOL500", "$PQOL702", "$PQOL501", "$PQOL519",
                                             "$PQOL590", "$PQOL530"}));
  EXPECT_EQ(With(got, "$PQOL514,")[0], "$PQOL514,0,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,1*2E");
  EXPECT_EQ(With(got, "$PQOL500,")[0], "$PQOL500,1000*1A");
  EXPECT_EQ(With(got, "$PQOL702,")[0], "$PQOL702,0,0,9600*14");
}

TEST_F(Sim, AcknowledgesRefusesAndStaysQuietOnBadChecksums) {
  Start();
  std::string got;
  // Fix rate with the zero byte some commands carry, then a bad checksum.
  ASSERT_TRUE(port_->Write(std::string("$PQOL220,500*2B\r\n\0", 18)));
  ASSERT_TRUE(port_->ReadUntil("$PQOL001,220,3*", 2000, &got));
  ASSERT_TRUE(port_->Write("$PQOL220,1000*1E\r\n"));
  ASSERT_TRUE(port_->Write("$PQOL330,7*2A\r\n"));  // wrong: the checksum is 2D
  ASSERT_TRUE(port_->Write("$PQOL400*36\r\n"));
  got.clear();
  ASSERT_TRUE(ReadSentence("$PQOL500,", 2000, &got));
  EXPECT_EQ(With(got, "$PQOL500,")[0], "$PQOL500,500*2E");
  EXPECT_TRUE(With(got, "$PQOL001,").empty()) << got;

  ASSERT_TRUE(sim_->Refuse(314));
  ASSERT_TRUE(port_->Write("$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0*28\r\n"));
  EXPECT_TRUE(port_->ReadUntil("$PQOL001,314,2*", 2000));
  ASSERT_TRUE(sim_->Accept(314));
  ASSERT_TRUE(port_->Write("$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0*28\r\n"));
  EXPECT_TRUE(port_->ReadUntil("$PQOL001,314,3*", 2000));

  ASSERT_TRUE(sim_->Fault());
  EXPECT_TRUE(port_->ReadUntil("$PQOL001,-1,3*", 2000));
  ASSERT_TRUE(port_->Write(std::string("$PQOL160*35\r\n\0", 14)));
  EXPECT_TRUE(port_->ReadUntil("$PQOL001,160,3*", 2000));

  EXPECT_TRUE(sim_->WaitForReceived(std::string("$PQOL160*35\r\n\0", 14)));
  const auto commands = sim_->Commands();
  ASSERT_GE(commands.size(), 6u);
  EXPECT_EQ(commands[0].line, "$PQOL220,500*2B");
  EXPECT_EQ(commands[0].answer.substr(0, 15), "$PQOL001,220,3*");
  EXPECT_TRUE(ChecksumRight(commands[0].answer)) << commands[0].answer;
  EXPECT_EQ(commands[2].line, "$PQOL330,7*2A");
  EXPECT_EQ(commands[2].answer, "(bad checksum: no answer)");
  EXPECT_NE(SimHarness::ReadFile(sim_->ReceivedLogPath()).find("$PQOL220,500*2B\\r\\n\\0"), std::string::npos);
}

TEST_F(Sim, RestartDropsTheFixUntilTheConfiguredTime) {
  Start({"--ttff-hot", "0.5", "--ttff-cold", "2.5"});
  std::string got;
  ASSERT_TRUE(port_->ReadUntil(",A,", 4000, &got)) << "no fix before the restart";
  ASSERT_TRUE(port_->Write(std::string("$PQOL103*30\r\n\0", 14)));
  got.clear();
  ASSERT_TRUE(ReadSentence("$PQOL001,103,3", 2000, &got));
  std::string after = got.substr(got.find("$PQOL001,103"));
  while (With(after, "$GPVTG,").empty()) ASSERT_TRUE(port_->ReadUntil("\n", 2500, &after));
  for (const auto& s : With(after, "$GPGGA,")) EXPECT_EQ(Field(s, 6), "0") << s;
  for (const auto& s : With(after, "$GPRMC,")) EXPECT_EQ(Field(s, 2), "V") << s;
  for (const auto& s : With(after, "$GPGSA,")) EXPECT_EQ(Field(s, 2), "1") << s;
  for (const auto& s : With(after, "$GPVTG,")) EXPECT_EQ(Field(s, 9), "N") << s;
  // The fix comes back once the cold-start time has passed, not before.
  got.clear();
  const auto restart = std::chrono::steady_clock::now();
  ASSERT_TRUE(ReadSentence("$GPRMC,", 2000, &got));
  while (Field(With(got, "$GPRMC,").back(), 2) != "A") {
    ASSERT_LT(std::chrono::steady_clock::now() - restart, std::chrono::seconds(6)) << "the fix never returned";
    got.clear();
    ASSERT_TRUE(ReadSentence("$GPRMC,", 2000, &got));
  }
  EXPECT_GT(std::chrono::steady_clock::now() - restart, std::chrono::milliseconds(700));
}

TEST_F(Sim, BaudChangeIsAcknowledgedAtTheOldRateAndLeavesItUnreadable) {
  Start();
  std::string got;
  ASSERT_TRUE(port_->Write("$PQOL251,9600*17\r\n"));
  ASSERT_TRUE(port_->ReadUntil("$PQOL001,251,3*", 2000, &got));
  // Still at 38400: what arrives now is noise, never a sentence.
  const std::string noise = port_->ReadFor(1500);
  EXPECT_FALSE(noise.empty());
  EXPECT_EQ(noise.find("$GP"), std::string::npos);
  // Commands at the old rate do not reach the module either.
  ASSERT_TRUE(port_->Write("$PQOL400*36\r\n"));
  ASSERT_TRUE(sim_->WaitForReceived("$PQOL400*36\r\n"));
  // At the module's new rate the stream reads again.
  ASSERT_TRUE(port_->SetBaud(9600));
  got.clear();
  EXPECT_TRUE(port_->ReadUntil("$GPGGA,", 3000, &got));
  EXPECT_EQ(got.find("$PQOL500,"), std::string::npos);
  EXPECT_GT(sim_->Stats()["unreadable_bytes"], 0);
}

TEST_F(Sim, FlashWriteIsAcknowledgedThenTheModuleRunsWithWhatItStored) {
  Start({"--flash-writes", "3"});
  std::string got;
  // As the form sends it: protection, 2 Hz, 9600 baud, the rates in page
  // order (GLL, RMC, VTG, GSA, GSV, GGA, ZDA, channel status), datum 7,
  // RTCM at 4800.
  ASSERT_TRUE(port_->Write(Sentence("$PQOL390,0,2,9600,1,1,1,1,1,1,1,0,7,1,4800")));
  // Whole, line end included: the module takes the new rate once the last
  // byte has left.
  ASSERT_TRUE(port_->ReadUntil(Sentence("$PQOL001,390,3"), 2000, &got));
  // The PC reopens the port at the rate it asked the module to store.
  ASSERT_TRUE(port_->SetBaud(9600));
  for (const char* q : {"$PQOL400*36\r\n", "$PQOL414*33\r\n", "$PQOL430*35\r\n", "$PQOL602*36\r\n",
                        "$PQOL401*37\r\n", "$PQOL490*3F\r\n"})
    ASSERT_TRUE(port_->Write(q));
  got.clear();
  ASSERT_TRUE(ReadSentence("$PQOL590,", 4000, &got)) << got;
  // The first reply may follow the noise of the old rate on the same line.
  auto reply = [&](const std::string& name) {
    std::vector<std::string> r;
    for (const std::string& l : Lines(got))
      if (l.find(name + ",") != std::string::npos) r.push_back(l.substr(l.find(name + ",")));
    return r.size() == 1 && ChecksumRight(r[0]) ? r[0].substr(0, r[0].find('*')) : "<" + name + " missing>";
  };
  EXPECT_EQ(reply("$PQOL500"), "$PQOL500,500");
  EXPECT_EQ(reply("$PQOL514"), "$PQOL514,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,1,0");
  EXPECT_EQ(reply("$PQOL530"), "$PQOL530,7");
  EXPECT_EQ(reply("$PQOL702"), "$PQOL702,1,0,4800");
  EXPECT_EQ(reply("$PQOL501"), "$PQOL501,1");
  EXPECT_EQ(reply("$PQOL590"), "$PQOL590,2");
  // The stream goes on at 9600 with the stored rates.
  got.clear();
  ASSERT_TRUE(ReadSentence("$GPZDA,", 3000, &got));
  EXPECT_TRUE(ChecksumRight(With(got, "$GPZDA,")[0]));
  EXPECT_EQ(sim_->Stats()["baud"], 9600);
}

TEST_F(Sim, AModuleStartedAsleepAnswersAndStreamsOnlyAfterTheWakeUp) {
  Start({"--asleep"});
  std::string got;
  ASSERT_TRUE(port_->Write("$PQOL400*36\r\n"));
  ASSERT_TRUE(ReadSentence("$PQOL500,", 2000, &got));
  got += port_->ReadFor(1500);
  EXPECT_EQ(got.find("$GP"), std::string::npos) << got;
  ASSERT_TRUE(port_->Write(std::string("$PQOL188*33\r\n\0", 14)));
  EXPECT_TRUE(port_->ReadUntil("$PQOL001,188,3*", 2000));
  EXPECT_TRUE(port_->ReadUntil("$GPGGA,", 2500));
}

TEST_F(Sim, SignalGeneratorLevelSetsTheSatellitesSnr) {
  Start();
  SimPort gen(sim_->GeneratorPath(), 19200);
  ASSERT_TRUE(gen.IsOpen());
  ASSERT_TRUE(gen.Write("MAIN:TEST 1\r\nMAIN:SV 33\r\nMAIN:RFLVL -85\r\n"));
  // -85 dBm less 40 dB of cable, plus 174, less a 3 dB noise figure: 46.
  ASSERT_TRUE(SimHarness::WaitUntil([&] { return sim_->GeneratorLog().find("-85") != std::string::npos; }, 2000));
  std::string got = port_->ReadFor(2200);
  EXPECT_EQ(SnrOf(got, 33), "46") << got;
  ASSERT_TRUE(gen.Write("MAIN:RFLVL -150\r\n"));
  ASSERT_TRUE(SimHarness::WaitUntil([&] { return sim_->GeneratorLog().find("-150") != std::string::npos; }, 2000));
  got = port_->ReadFor(2200);
  EXPECT_EQ(SnrOf(got, 33), "") << got;  // lost: listed with an empty SNR
  EXPECT_NE(sim_->GeneratorLog().find("ok MAIN:TEST 1\\r\\nMAIN:SV 33\\r\\n"), std::string::npos);
  // At another rate than the generator's the lines are noise to it.
  ASSERT_TRUE(gen.SetBaud(9600));
  ASSERT_TRUE(gen.Write("MAIN:RFLVL -85\r\n"));
  ASSERT_TRUE(SimHarness::WaitUntil([&] { return sim_->GeneratorLog().find("unreadable") != std::string::npos; }, 2000));
  got = port_->ReadFor(2200);
  EXPECT_EQ(SnrOf(got, 33), "");
}

TEST_F(Sim, CountsWhatItSentAndStopsCleanlyRemovingItsLinks) {
  Start({"--all-rates", "1", "--log-sent"});
  ASSERT_TRUE(sim_->Silent(true));
  port_->ReadFor(300);  // drain what was on the way
  ASSERT_TRUE(sim_->ResetStats());
  ASSERT_TRUE(sim_->Silent(false));
  std::string got = port_->ReadFor(2500);
  ASSERT_TRUE(sim_->Silent(true));
  got += port_->ReadFor(300);
  const auto stats = sim_->Stats();
  EXPECT_EQ(stats.at("sent_GGA"), static_cast<long long>(With(got, "$GPGGA,").size()));
  EXPECT_EQ(stats.at("sent_ZDA"), static_cast<long long>(With(got, "$GPZDA,").size()));
  EXPECT_EQ(stats.at("sent_CHN"), static_cast<long long>(With(got, "$PQOLCHN,").size()));
  EXPECT_GT(stats.at("sent_total"), 10);
  // The sent log holds exactly what arrived.
  std::string logged;
  for (const std::string& l : Lines(SimHarness::ReadFile(sim_->SentLogPath())))
    if (l.find(" sent $GPGGA,") != std::string::npos) logged += l.substr(l.find('$')) + "\n";
  std::string read;
  for (const std::string& l : With(got, "$GPGGA,")) read += l + "\n";
  EXPECT_NE(logged.find(read), std::string::npos) << logged << "\n---\n" << read;
  // sent.bin holds the very bytes, line endings and all.
  std::string sentPath = sim_->SentLogPath();
  sentPath.replace(sentPath.size() - 3, 3, "bin");
  EXPECT_NE(SimHarness::ReadFile(sentPath).find(got), std::string::npos);
  // SIGUSR1 prints the same counters.
  ASSERT_EQ(kill(sim_->Pid(), SIGUSR1), 0);
  EXPECT_TRUE(SimHarness::WaitUntil(
      [&] {
        return SimHarness::ReadFile(sim_->StderrPath()).find("sent_GGA " + std::to_string(stats.at("sent_GGA"))) !=
               std::string::npos;
      },
      3000));

  EXPECT_TRUE(sim_->Stop());
  struct stat st {};
  EXPECT_NE(lstat(sim_->ReceiverPath().c_str(), &st), 0);
  EXPECT_NE(lstat(sim_->GeneratorPath().c_str(), &st), 0);
  EXPECT_NE(lstat((sim_->Dir() + "/control").c_str(), &st), 0);
  EXPECT_NE(SimHarness::ReadFile(sim_->StatsPath()).find("sent_total"), std::string::npos);
}

TEST_F(Sim, InterruptStopsItAndRemovesItsLinks) {
  Start();
  port_.reset();
  ASSERT_EQ(kill(sim_->Pid(), SIGINT), 0);
  struct stat st {};
  EXPECT_TRUE(SimHarness::WaitUntil([&] { return lstat(sim_->ReceiverPath().c_str(), &st) != 0; }, 5000));
  EXPECT_TRUE(SimHarness::WaitUntil([&] { return lstat(sim_->GeneratorPath().c_str(), &st) != 0; }, 5000));
}

TEST_F(Sim, FloodModeFillsA115200Line) {
  Start({"--flood", "--baud", "115200"});
  ASSERT_TRUE(port_->SetBaud(115200));
  port_->ReadFor(500);
  const std::string got = port_->ReadFor(2000);
  // 11520 characters a second, never more. How close it comes depends on how
  // busy the machine is, so the lower bound only shows the line is in use.
  EXPECT_GT(got.size(), 11520u / 2);
  EXPECT_LT(got.size(), 2 * 11520u + 1200);
  EXPECT_GT(With(got, "$GPGGA,").size(), 20u);
}

TEST(SimMisuse, OneSimulatorPerDirectoryAndTheRefusedOneLeavesTheOthersLinks) {
  SimHarness first;
  ASSERT_TRUE(first.Started()) << first.Error();
  const std::string second = std::string(VANTREL_SIM_PATH) + " --dir " + first.Dir() + " 2>/dev/null";
  for (int i = 0; i < 5; ++i) EXPECT_NE(std::system(second.c_str()), 0);
  struct stat st {};
  EXPECT_EQ(lstat(first.ReceiverPath().c_str(), &st), 0);
  EXPECT_TRUE(first.Control("nofix on"));  // still serving
}

TEST(SimMisuse, StalePidFileOfAnotherRunDoesNotRefuseAStart) {
  char pattern[] = "/tmp/vantrel-sim-stale-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  // The pid of a live simulator serving another directory.
  SimHarness other;
  ASSERT_TRUE(other.Started()) << other.Error();
  std::ofstream(std::string(pattern) + "/pid") << other.Pid() << "\n";
  // Stopped by the harness, not by timeout(1): its signals to the whole
  // group could wedge the sanitizer build's leak check at exit.
  SimHarness here(SimHarness::InDir{pattern}, {});
  EXPECT_TRUE(here.Started()) << here.Error();
  EXPECT_TRUE(here.Stop());
}

// The run directory is the user's own: a link planted where a directory or
// a log would be is refused or replaced, never followed.
TEST(SimMisuse, ARunDirectoryThatIsNotTheUsersOwnIsRefusedAndLinksAreNotFollowed) {
  char pattern[] = "/tmp/vantrel-sim-links-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string base = pattern;
  const std::string victim = base + "/victim";
  std::ofstream(victim) << "precious\n";
  ASSERT_EQ(mkdir((base + "/real").c_str(), 0700), 0);
  ASSERT_EQ(symlink((base + "/real").c_str(), (base + "/linked").c_str()), 0);
  struct {
    std::string dir, refusal;
  } const refused[] = {
      {base + "/linked", "refusing " + base + "/linked: it is a symbolic link"},
      {victim, "refusing " + victim + ": it is not a directory"},
      {"/", "refusing /: it belongs to another user (uid 0)"},
  };
  for (const auto& c : refused) {
    if (c.dir == "/" && geteuid() == 0) continue;  // root owns it
    const std::string cmd = std::string(VANTREL_SIM_PATH) + " --dir " + c.dir + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char out[512] = {};
    const size_t n = fread(out, 1, sizeof out - 1, p);
    EXPECT_NE(pclose(p), 0) << c.dir;
    EXPECT_EQ(std::string(out, n), "vantrel-sim: " + c.refusal + "\n");
  }
  // A log planted as a link to another file: that file stays as it was.
  const std::string dir = base + "/run";
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  ASSERT_EQ(symlink(victim.c_str(), (dir + "/control.log").c_str()), 0);
  SimHarness sim(SimHarness::InDir{dir}, {});
  EXPECT_FALSE(sim.Started());
  EXPECT_EQ(SimHarness::ReadFile(victim), "precious\n");
}

TEST(SimMisuse, ControlLineWithoutItsNewlineEndsWithItsWriter) {
  SimHarness sim;
  ASSERT_TRUE(sim.Started()) << sim.Error();
  const int fd = open((sim.Dir() + "/control").c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "nofix on", 8), 8);
  close(fd);
  ASSERT_TRUE(SimHarness::WaitUntil([&] { return SimHarness::ReadFile(sim.Dir() + "/control.log") == "ok nofix on\n"; },
                                    3000))
      << SimHarness::ReadFile(sim.Dir() + "/control.log");
  EXPECT_TRUE(sim.Control("fault"));
  EXPECT_EQ(SimHarness::ReadFile(sim.Dir() + "/control.log"), "ok nofix on\nok fault\n");
}

}  // namespace
}  // namespace vantrel::test
