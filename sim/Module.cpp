#include "sim/Module.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sim/Sentence.h"

namespace vantrel::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDriveRadiusM = 120.0;  // the simulated car circles a block
constexpr double kDriveSpeedMs = 3.0;
constexpr double kMetresPerDegree = 111320.0;
constexpr double kKnotsPerMs = 1.0 / 0.514444;
constexpr int kChannels = 32;
constexpr int kMaxInView = 16;
constexpr size_t kMaxLine = 200;  // longer input is noise, not a command

constexpr int kBauds[] = {4800, 9600, 14400, 19200, 38400, 57600, 115200};

bool ValidBaud(long baud) {
  return std::find(std::begin(kBauds), std::end(kBauds), baud) != std::end(kBauds);
}

bool FieldInt(const std::vector<std::string>& f, size_t i, long lo, long hi, long& out) {
  return i < f.size() && ParseInt(f[i], out) && out >= lo && out <= hi;
}

// Deterministic noise, so a run can be repeated sentence for sentence.
uint32_t Hash(uint32_t a, uint32_t b) {
  uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u + (a << 6) + (a >> 2));
  h ^= h >> 15;
  h *= 0x85EBCA77u;
  h ^= h >> 13;
  return h;
}

std::string Format(const char* fmt, auto... args) {
  char buf[160];
  const int n = std::snprintf(buf, sizeof buf, fmt, args...);
  return std::string(buf, n < 0 ? 0 : std::min<size_t>(n, sizeof buf - 1));
}

// ddmm.mmmm / dddmm.mmmm with the minutes never rounded up to 60.
std::string Coordinate(double value, int degreeDigits) {
  double a = std::fabs(value);
  int deg = static_cast<int>(a);
  double min = std::round((a - deg) * 60.0 * 10000.0) / 10000.0;
  if (min >= 60.0) {
    deg += 1;
    min = 0;
  }
  return degreeDigits == 2 ? Format("%02d%07.4f", deg, min) : Format("%03d%07.4f", deg, min);
}

// What a UART set to the wrong rate makes of a byte: framing noise, never a
// "$", CR or LF, so nothing of it reads as a sentence.
char Garble(char c) { return static_cast<char>(0x80 | ((static_cast<uint8_t>(c) * 37u + 11u) & 0x7F)); }

}  // namespace

const char* KindName(Kind kind) {
  static const char* const names[] = {"GGA", "GLL", "GSA", "GSV", "RMC", "VTG", "ZDA", "CHN", "reply", "ack"};
  return names[static_cast<int>(kind)];
}

Module::Module(const ModuleOptions& options, double now)
    : opt_(options),
      sky_(options.latitude, options.longitude, options.skySpeed),
      baud_(options.baud),
      periodMs_(options.fixPeriodMs),
      rates_(options.rates),
      flashLeft_(options.flashWrites),
      asleep_(options.asleep),
      start_(now),
      nextEpoch_(now),
      lastPump_(now) {
  const std::time_t utc = options.utcStart ? options.utcStart : std::time(nullptr);
  utcMs_ = static_cast<int64_t>(utc) * 1000;
  // A module that was powered on with a fix already stored: hot start.
  fixAt_ = now + options.ttffHot;
}

bool Module::HasFix(double now) const { return !fixBlocked_ && now >= fixAt_; }

size_t Module::QueuedBytes() const { return queuedBytes_; }

void Module::Receive(std::string_view bytes, double now, int pcBaud) {
  rxNow_ = now;
  const bool unreadable = pcBaud != 0 && pcBaud != baud_;
  if (unreadable) stats_.unreadableBytes += bytes.size();
  for (char c : bytes) {
    if (c == '$') {
      rx_.assign(1, c);
      inLine_ = true;
    } else if (c == '\r' || c == '\n') {
      if (inLine_ && !unreadable) {
        HandleLine(rx_);
      } else if (inLine_ && commandLog_) {
        // What the PC meant, for the log; the module itself only saw noise.
        commandLog_(rx_, "(unreadable: the PC sends at " + std::to_string(pcBaud) + " baud, the module is at " +
                             std::to_string(baud_) + ")");
      }
      rx_.clear();
      inLine_ = false;
    } else if (inLine_ && c != '\0') {
      rx_ += c;
      if (rx_.size() > kMaxLine) {
        if (commandLog_) commandLog_(rx_, "(too long: dropped)");
        rx_.clear();
        inLine_ = false;
      }
    }
  }
}

void Module::HandleLine(std::string_view line) {
  answer_.clear();
  ParsedLine parsed;
  long command = 0;
  if (!ParseLine(line, parsed)) {
    ++stats_.badChecksums;
    answer_ = "(bad checksum: no answer)";
  } else {
    ++stats_.commands;
    const bool ours = parsed.name.size() == 8 && parsed.name.compare(0, 5, "$PQOL") == 0 &&
                      ParseInt(std::string_view(parsed.name).substr(5), command);
    const int c = static_cast<int>(command);
    if (!ours)
      answer_ = "(not a command of this module)";
    else if (ignored_.count(0) || ignored_.count(c))
      answer_ = "(ignored by control)";
    else if (refused_.count(c))
      Ack(c, 2);
    else
      HandleCommand(c, parsed.fields);
  }
  if (silent_ && answer_.empty()) answer_ = "(silent)";
  if (commandLog_) commandLog_(line, answer_);
}

void Module::HandleCommand(int command, const std::vector<std::string>& f) {
  long v = 0;
  switch (command) {
    case 101:
    case 102:
    case 103:
      if (!f.empty()) return Ack(command, 2);
      Ack(command, 3);
      return Restart(command - 100, rxNow_);
    case 160:
      lowCurrent_ = true;
      return Ack(command, f.empty() ? 3 : 2);
    case 188:
      if (!f.empty()) return Ack(command, 2);
      asleep_ = false;
      return Ack(command, 3);
    case 220:
      if (f.size() != 1 || !FieldInt(f, 0, 200, 1000, v)) return Ack(command, 2);
      periodMs_ = static_cast<int>(v);
      return Ack(command, 3);
    case 250:
      if (f.size() != 3 || f[0] != "1" || f[1] != "0" || !ParseInt(f[2], v) || !ValidBaud(v))
        return Ack(command, 2);
      rtcmBaud_ = static_cast<int>(v);
      return Ack(command, 3);
    case 251:
      if (f.size() != 1 || !ParseInt(f[0], v) || !ValidBaud(v)) return Ack(command, 2);
      // Acknowledged at the old rate; the new one applies once that is out.
      return Ack(command, 3, static_cast<int>(v));
    case 301:
      if (f.size() != 1 || !FieldInt(f, 0, 0, 2, v)) return Ack(command, 2);
      dgpsMode_ = static_cast<int>(v);
      return Ack(command, 3);
    case 313:
      if (f.size() != 1 || !FieldInt(f, 0, 0, 1, v)) return Ack(command, 2);
      sbasEnabled_ = v == 1;
      return Ack(command, 3);
    case 314: {
      long r[19];
      if (f.size() != 19) return Ack(command, 2);
      for (size_t i = 0; i < 19; ++i)
        if (!FieldInt(f, i, 0, 255, r[i])) return Ack(command, 2);
      rates_ = OutputRates{static_cast<int>(r[0]), static_cast<int>(r[1]), static_cast<int>(r[2]),
                           static_cast<int>(r[3]), static_cast<int>(r[4]), static_cast<int>(r[5]),
                           static_cast<int>(r[17]), static_cast<int>(r[18])};
      return Ack(command, 3);
    }
    case 319:
      if (f.size() != 1 || !FieldInt(f, 0, 0, 1, v)) return Ack(command, 2);
      integrity_ = static_cast<int>(v);
      return Ack(command, 3);
    case 330:
      if (f.size() != 1 || !FieldInt(f, 0, 0, 222, v)) return Ack(command, 2);
      datum_ = static_cast<int>(v);
      return Ack(command, 3);
    case 390: {
      // protect, fix Hz, baud, GLL RMC VTG GSA GSV GGA ZDA CHN, datum, DGPS mode, RTCM baud
      long x[14];
      if (f.size() != 14 || flashProtected_ || flashLeft_ <= 0) return Ack(command, 2);
      const long lo[14] = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, 0, 0};
      const long hi[14] = {1, 5, 115200, 255, 255, 255, 255, 255, 255, 255, 255, 222, 2, 115200};
      for (size_t i = 0; i < 14; ++i)
        if (!FieldInt(f, i, lo[i], hi[i], x[i])) return Ack(command, 2);
      if (!ValidBaud(x[2]) || !ValidBaud(x[13])) return Ack(command, 2);
      --flashLeft_;
      flashProtected_ = x[0] == 1;
      periodMs_ = static_cast<int>(1000 / x[1]);
      rates_ = OutputRates{static_cast<int>(x[3]), static_cast<int>(x[4]), static_cast<int>(x[5]),
                           static_cast<int>(x[8]), static_cast<int>(x[6]), static_cast<int>(x[7]),
                           static_cast<int>(x[9]), static_cast<int>(x[10])};
      if (x[11] >= 0) datum_ = static_cast<int>(x[11]);
      dgpsMode_ = static_cast<int>(x[12]);
      rtcmBaud_ = static_cast<int>(x[13]);
      return Ack(command, 3, static_cast<int>(x[2]));
    }
    case 400:
    case 401:
    case 414:
    case 419:
    case 430:
    case 456:
    case 490:
    case 602:
    case 605:
      if (!f.empty()) return Ack(command, 2);
      return Reply(ReplyFor(command));
    default:
      return Ack(command, 2);
  }
}

std::string Module::ReplyFor(int query) const {
  switch (query) {
    case 400:
      return Format("$PQOL500,%d", periodMs_);
    case 401:
      return Format("$PQOL501,%d", dgpsMode_);
    case 414:
      return Format("$PQOL514,%d,%d,%d,%d,%d,%d,0,0,0,0,0,0,0,0,0,0,0,%d,%d", rates_.gll, rates_.rmc,
                    rates_.vtg, rates_.gga, rates_.gsa, rates_.gsv, rates_.zda, rates_.chn);
    case 419:
      return Format("$PQOL519,%d", integrity_);
    case 430:
      return Format("$PQOL530,%d", datum_);
    case 456:
      // The oscillator's offset as a fraction: a few tenths of a ppm.
      return Format("$PQOL556,1,%.9f", 0.000000312 + 0.000000001 * static_cast<double>(epoch_ % 7));
    case 490:
      return Format("$PQOL590,%d", flashLeft_);
    case 602:
      return Format("$PQOL702,%d,0,%d", dgpsMode_ == 1 ? 1 : 0, rtcmBaud_);
    case 605:
      return "$PQOL705,QG-1612 FW 2.04.17,Build 2026-06-30";
  }
  return {};
}

void Module::Ack(int command, int flag, int switchBaudTo) {
  if (flag >= 0 && flag < 4) ++stats_.acks[flag];
  Push(Finish(Format("$PQOL001,%d,%d", command, flag)), Kind::Ack, false,
       switchBaudTo == baud_ ? 0 : switchBaudTo);
}

void Module::Reply(const std::string& body) { Push(Finish(body), Kind::Reply, false); }

void Module::ReportFault() { Ack(-1, 3); }

void Module::SetRefused(int command, bool refused) {
  if (refused)
    refused_.insert(command);
  else
    refused_.erase(command);
}

void Module::SetIgnored(int command, bool ignored) {
  if (ignored)
    ignored_.insert(command);
  else
    ignored_.erase(command);
}

void Module::SetSilent(bool silent) {
  silent_ = silent;
  if (silent) {
    // Dead at once: what was waiting for the line goes nowhere.
    queue_.clear();
    queuedBytes_ = 0;
  }
}

void Module::GeneratorTest(bool on) { genTest_ = on; }
void Module::GeneratorSv(int prn) {
  if (prn != genSv_) genAcquired_ = false;
  genSv_ = prn;
}
void Module::GeneratorLevel(double dbm) {
  genLevel_ = dbm;
  genLevelSet_ = true;
}

void Module::Push(std::string text, Kind kind, bool mayDrop, int switchBaudTo) {
  if (silent_) return;
  if (kind == Kind::Ack || kind == Kind::Reply) {
    if (!answer_.empty()) answer_ += ' ';
    answer_.append(text, 0, text.size() - 2);
  }
  // A module whose output does not fit its line drops whole sentences
  // rather than fall ever further behind; answers are never dropped.
  const size_t capacity = std::max<size_t>(1024, static_cast<size_t>(baud_ / 10));
  if (mayDrop && queuedBytes_ + text.size() > capacity) {
    ++stats_.overrun[static_cast<int>(kind)];
    return;
  }
  queuedBytes_ += text.size();
  queue_.push_back(Out{std::move(text), kind, switchBaudTo});
}

void Module::Restart(int kind, double now) {
  restartKind_ = kind;
  restartAt_ = now;
  fixAt_ = now + (kind == 1 ? opt_.ttffHot : kind == 2 ? opt_.ttffWarm : opt_.ttffCold);
  if (kind == 3) genAcquired_ = false;
}

void Module::Tick(double now) {
  if (opt_.flood) {
    // Keep a little more than one epoch queued so the line never idles; a
    // module with every output off has nothing to flood with.
    for (int i = 0; i < 100 && queuedBytes_ < 2048; ++i) {
      const size_t before = queuedBytes_;
      EmitEpoch(now);
      if (queuedBytes_ == before) break;
    }
    return;
  }
  if (now - nextEpoch_ > 2.0) nextEpoch_ = now;  // after a stall, do not burst
  while (now >= nextEpoch_) {
    EmitEpoch(nextEpoch_);
    nextEpoch_ += periodMs_ / 1000.0;
  }
}

std::vector<Module::SatView> Module::SatsAt(double now, double skyTime, bool fix) {
  const double sinceRestart = now - restartAt_;
  const double ttff = fixAt_ - restartAt_;
  const bool searching = !fix && restartKind_ != 0 && now < fixAt_;
  // A cold start knows no almanac: nothing is in view until signals are found.
  if (searching && restartKind_ == 3 && sinceRestart < 0.4 * ttff) return {};
  const bool snrKnown = !(searching && restartKind_ == 2 && sinceRestart < 0.3 * ttff);
  const uint32_t slow = static_cast<uint32_t>(skyTime / 3.0);
  const uint32_t slower = static_cast<uint32_t>(skyTime / 8.0);

  std::vector<SatView> sats;
  for (const SkySat& s : sky_.At(skyTime)) {
    if (s.elevation < 0.0) continue;
    SatView v{s.prn, static_cast<int>(std::lround(s.elevation)), static_cast<int>(std::lround(s.azimuth)) % 360,
              -1, false};
    const double sinEl = std::sin(s.elevation * kPi / 180.0);
    const int jitter = static_cast<int>(Hash(s.prn, slow) % 5) - 2;
    // Low satellites are still searched for, and now and then one fades.
    const bool fading = Hash(s.prn, slower) % 23 == 0;
    if (s.elevation >= 8.0 && !fading && snrKnown && !fixBlocked_)
      v.snr = std::clamp(30 + static_cast<int>(std::lround(18.0 * sinEl)) + jitter, 0, 99);
    sats.push_back(v);
  }

  if (genTest_ && genSv_ > 0 && genLevelSet_) {
    // The generator's satellite: its SNR follows the RF level at the antenna.
    const double snrDb = genLevel_ - opt_.genLossDb + 174.0 - opt_.genNoiseFigureDb;
    const int snr = std::clamp(static_cast<int>(std::lround(snrDb)), 0, 99);
    // Tracking holds on down to a weaker signal than acquisition needs; a
    // cold start (which returned above while it knows nothing) must acquire anew.
    if (snr < opt_.genTrackBelow) genAcquired_ = false;
    if (snr >= opt_.genAcquireAt) genAcquired_ = true;
    auto it = std::find_if(sats.begin(), sats.end(), [&](const SatView& v) { return v.prn == genSv_; });
    if (it == sats.end()) {
      sats.insert(sats.begin(), SatView{genSv_, 62, 135, -1, false});
      it = sats.begin();
    }
    it->snr = genAcquired_ ? snr : -1;
  }

  std::stable_sort(sats.begin(), sats.end(),
                   [](const SatView& a, const SatView& b) { return a.elevation > b.elevation; });
  if (sats.size() > kMaxInView) sats.resize(kMaxInView);
  if (fix) {
    // The fix uses strong satellites above the elevation mask only.
    int used = 0;
    for (SatView& v : sats)
      if (used < 12 && v.snr >= 34 && v.elevation >= 15) {
        v.used = true;
        ++used;
      }
  }
  return sats;
}

void Module::EmitEpoch(double now) {
  const uint64_t n = epoch_++;
  ++stats_.epochs;
  const int64_t ms = utcMs_;
  utcMs_ += periodMs_;
  double skyTime;
  if (opt_.flood) {
    skyTime = floodSkyTime_;
    floodSkyTime_ += periodMs_ / 1000.0;
  } else {
    skyTime = now - start_;
  }
  if (silent_ || asleep_) return;

  bool fix = HasFix(now);
  std::vector<SatView> sats = SatsAt(now, skyTime, fix);
  int used = 0;
  for (const SatView& v : sats) used += v.used;
  if (used < 3) fix = false;  // not enough satellites for a position
  if (!fix)
    for (SatView& v : sats) v.used = false;
  const int fixMode = !fix ? 1 : used == 3 ? 2 : 3;

  const std::time_t secs = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  gmtime_r(&secs, &tm);
  const std::string time =
      Format("%02d%02d%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
  const std::string date = Format("%02d%02d%02d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year % 100);

  // The drive: a slow circle round the configured centre, shifted by the datum.
  const double angle = skyTime * kDriveSpeedMs / kDriveRadiusM;
  const double north = kDriveRadiusM * std::cos(angle) + (datum_ ? (datum_ * 53 % 400) - 200 : 0);
  const double east = kDriveRadiusM * std::sin(angle) + (datum_ ? (datum_ * 97 % 400) - 200 : 0);
  const double lat = opt_.latitude + north / kMetresPerDegree;
  const double lon = opt_.longitude + east / (kMetresPerDegree * std::cos(opt_.latitude * kPi / 180.0));
  const double course = std::fmod(90.0 + angle * 180.0 / kPi, 360.0);  // clockwise round the centre
  const double knots = kDriveSpeedMs * kKnotsPerMs;
  const double altitude = 519.2 + 2.5 * std::sin(skyTime / 40.0);
  const double geoid = 47.6;
  const bool dgps = fix && dgpsMode_ == 2;
  const char mode = !fix ? 'N' : dgps ? 'D' : 'A';
  const std::string latText = Coordinate(lat, 2), lonText = Coordinate(lon, 3);
  const char ns = lat < 0 ? 'S' : 'N', ew = lon < 0 ? 'W' : 'E';
  const double pdop = used > 0 ? 0.7 + 10.0 / used : 0;
  const double hdop = pdop * 0.55, vdop = pdop * 0.83;

  auto due = [&](int rate) { return rate > 0 && n % static_cast<uint64_t>(rate) == 0; };

  if (due(rates_.gga)) {
    if (fix)
      Push(Finish(Format("$GPGGA,%s,%s,%c,%s,%c,%d,%02d,%.1f,%.1f,M,%.1f,M,,0000", time.c_str(),
                         latText.c_str(), ns, lonText.c_str(), ew, dgps ? 2 : 1, used, hdop, altitude, geoid)),
           Kind::GGA, true);
    else
      Push(Finish(Format("$GPGGA,%s,,,,,0,00,,,M,,M,,0000", time.c_str())), Kind::GGA, true);
  }
  if (due(rates_.gll)) {
    if (fix)
      Push(Finish(Format("$GPGLL,%s,%c,%s,%c,%s,A,%c", latText.c_str(), ns, lonText.c_str(), ew, time.c_str(),
                         mode)),
           Kind::GLL, true);
    else
      Push(Finish(Format("$GPGLL,,,,,%s,V,N", time.c_str())), Kind::GLL, true);
  }
  if (due(rates_.gsa)) {
    std::string body = Format("$GPGSA,A,%d", fixMode);
    int listed = 0;
    for (const SatView& v : sats)
      if (v.used && listed < 12) {
        body += Format(",%02d", v.prn);
        ++listed;
      }
    for (; listed < 12; ++listed) body += ',';
    if (fix)
      body += Format(",%.1f,%.1f,%.1f", pdop, hdop, vdop);
    else
      body += ",,,";
    Push(Finish(body), Kind::GSA, true);
  }
  if (due(rates_.gsv)) {
    const int count = static_cast<int>(sats.size());
    const int messages = std::max(1, (count + 3) / 4);
    for (int m = 0; m < messages; ++m) {
      std::string body = Format("$GPGSV,%d,%d,%02d", messages, m + 1, count);
      for (int k = m * 4; k < std::min(count, m * 4 + 4); ++k) {
        const SatView& v = sats[k];
        body += Format(",%02d,%02d,%03d,", v.prn, v.elevation, v.azimuth);
        if (v.snr >= 0) body += Format("%02d", v.snr);
      }
      Push(Finish(body), Kind::GSV, true);
    }
  }
  if (due(rates_.rmc)) {
    if (fix)
      Push(Finish(Format("$GPRMC,%s,A,%s,%c,%s,%c,%.2f,%.2f,%s,,,%c", time.c_str(), latText.c_str(), ns,
                         lonText.c_str(), ew, knots, course, date.c_str(), mode)),
           Kind::RMC, true);
    else
      Push(Finish(Format("$GPRMC,%s,V,,,,,,,%s,,,N", time.c_str(), date.c_str())), Kind::RMC, true);
  }
  if (due(rates_.vtg)) {
    if (fix)
      Push(Finish(Format("$GPVTG,%.2f,T,,M,%.2f,N,%.2f,K,%c", course, knots, knots * 1.852, mode)), Kind::VTG,
           true);
    else
      Push(Finish("$GPVTG,,T,,M,,N,,K,N"), Kind::VTG, true);
  }
  if (due(rates_.zda)) {
    Push(Finish(Format("$GPZDA,%s,%02d,%02d,%04d,00,00", time.c_str(), tm.tm_mday, tm.tm_mon + 1,
                       tm.tm_year + 1900)),
         Kind::ZDA, true);
  }
  if (due(rates_.chn)) {
    std::string body = "$PQOLCHN";
    for (int c = 0; c < kChannels; ++c) {
      if (c < static_cast<int>(sats.size())) {
        const SatView& v = sats[c];
        body += Format(",%02d%02d%d", v.prn, v.snr > 0 ? v.snr : 0, v.snr > 0 ? 2 : 1);
      } else {
        body += ",00000";
      }
    }
    Push(Finish(body), Kind::CHN, true);
  }
}

void Module::Pump(double now, int pcBaud, const WriteFn& write) {
  const double bytesPerSecond = baud_ / 10.0;
  credit_ += std::max(0.0, now - lastPump_) * bytesPerSecond;
  lastPump_ = now;
  // Neither an idle line nor a late call saves up time for a burst: a UART
  // never sends faster than its rate, so after a stall the line just falls
  // behind.
  credit_ = std::min(credit_, std::max(64.0, bytesPerSecond * 0.05));

  char chunk[512];
  while (credit_ >= 1.0 && !queue_.empty()) {
    Out& out = queue_.front();
    const size_t left = out.text.size() - out.offset;
    const size_t n = std::min({left, static_cast<size_t>(credit_), sizeof chunk});
    const bool mismatch = pcBaud != 0 && pcBaud != baud_;
    for (size_t i = 0; i < n; ++i) chunk[i] = mismatch ? Garble(out.text[out.offset + i]) : out.text[out.offset + i];
    out.garbled |= mismatch;
    const size_t taken = std::min(write(chunk, n), n);
    if (taken < n) out.cut = true;
    stats_.bytesWritten += taken;
    stats_.bytesLost += n - taken;
    // The bits left the UART whether or not anybody took them.
    out.offset += n;
    queuedBytes_ -= n;
    credit_ -= static_cast<double>(n);
    if (out.offset == out.text.size()) {
      const int k = static_cast<int>(out.kind);
      if (out.cut)
        ++stats_.cut[k];
      else if (out.garbled)
        ++stats_.garbled[k];
      else
        ++stats_.sent[k];
      if (sentLog_) sentLog_(out.text, out.cut ? "cut" : out.garbled ? "garbled" : "sent");
      if (out.switchBaudTo) baud_ = out.switchBaudTo;
      queue_.pop_front();
    }
  }
}

std::string Module::StatsText() const {
  std::string s;
  uint64_t total = 0;
  for (int k = 0; k < kKinds; ++k) {
    s += Format("sent_%s %llu\n", KindName(static_cast<Kind>(k)), static_cast<unsigned long long>(stats_.sent[k]));
    total += stats_.sent[k];
  }
  s += Format("sent_total %llu\n", static_cast<unsigned long long>(total));
  auto sum = [](const uint64_t (&a)[kKinds]) {
    uint64_t t = 0;
    for (uint64_t v : a) t += v;
    return static_cast<unsigned long long>(t);
  };
  s += Format("garbled_total %llu\n", sum(stats_.garbled));
  s += Format("cut_total %llu\n", sum(stats_.cut));
  s += Format("overrun_total %llu\n", sum(stats_.overrun));
  s += Format("bytes_written %llu\n", static_cast<unsigned long long>(stats_.bytesWritten));
  s += Format("bytes_lost %llu\n", static_cast<unsigned long long>(stats_.bytesLost));
  s += Format("epochs %llu\n", static_cast<unsigned long long>(stats_.epochs));
  s += Format("commands %llu\n", static_cast<unsigned long long>(stats_.commands));
  s += Format("bad_checksums %llu\n", static_cast<unsigned long long>(stats_.badChecksums));
  s += Format("unreadable_bytes %llu\n", static_cast<unsigned long long>(stats_.unreadableBytes));
  s += Format("acks_done %llu\n", static_cast<unsigned long long>(stats_.acks[3]));
  s += Format("acks_refused %llu\n", static_cast<unsigned long long>(stats_.acks[2]));
  s += Format("baud %d\n", baud_);
  return s;
}

}  // namespace vantrel::sim
