#include "sim/EpochWriter.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "sim/Sentence.h"

namespace vantrel::sim {

namespace {

constexpr int kChannels = 32;

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

}  // namespace

void WriteEpoch(const Epoch& e, const OutputRates& rates, const SentenceSink& sink) {
  const bool fix = e.fix;
  const std::vector<SatView>& sats = e.sats;
  int used = 0;
  for (const SatView& v : sats) used += v.used;
  const int fixMode = !fix ? 1 : used == 3 ? 2 : 3;

  const std::time_t secs = static_cast<std::time_t>(e.utcMs / 1000);
  std::tm tm{};
  gmtime_r(&secs, &tm);
  const std::string time =
      Format("%02d%02d%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(e.utcMs % 1000));
  const std::string date = Format("%02d%02d%02d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year % 100);

  const DrivePoint& p = e.where;
  const char mode = !fix ? 'N' : e.dgps ? 'D' : 'A';
  const std::string latText = Coordinate(p.latitude, 2), lonText = Coordinate(p.longitude, 3);
  const char ns = p.latitude < 0 ? 'S' : 'N', ew = p.longitude < 0 ? 'W' : 'E';
  const double pdop = used > 0 ? 0.7 + 10.0 / used : 0;
  const double hdop = pdop * 0.55, vdop = pdop * 0.83;

  auto due = [&](int rate) { return rate > 0 && e.number % static_cast<uint64_t>(rate) == 0; };
  auto put = [&](const std::string& body, Kind kind) { sink(Finish(body), kind); };

  if (due(rates.gga)) {
    if (fix)
      put(Format("$GPGGA,%s,%s,%c,%s,%c,%d,%02d,%.1f,%.1f,M,%.1f,M,,0000", time.c_str(), latText.c_str(), ns,
                 lonText.c_str(), ew, e.dgps ? 2 : 1, used, hdop, p.altitude, kGeoidSeparationM),
          Kind::GGA);
    else
      put(Format("$GPGGA,%s,,,,,0,00,,,M,,M,,0000", time.c_str()), Kind::GGA);
  }
  if (due(rates.gll)) {
    if (fix)
      put(Format("$GPGLL,%s,%c,%s,%c,%s,A,%c", latText.c_str(), ns, lonText.c_str(), ew, time.c_str(), mode),
          Kind::GLL);
    else
      put(Format("$GPGLL,,,,,%s,V,N", time.c_str()), Kind::GLL);
  }
  if (due(rates.gsa)) {
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
    put(body, Kind::GSA);
  }
  if (due(rates.gsv)) {
    const int count = static_cast<int>(sats.size());
    const int messages = std::max(1, (count + 3) / 4);
    for (int m = 0; m < messages; ++m) {
      std::string body = Format("$GPGSV,%d,%d,%02d", messages, m + 1, count);
      for (int k = m * 4; k < std::min(count, m * 4 + 4); ++k) {
        const SatView& v = sats[k];
        body += Format(",%02d,%02d,%03d,", v.prn, v.elevation, v.azimuth);
        if (v.snr >= 0) body += Format("%02d", v.snr);
      }
      put(body, Kind::GSV);
    }
  }
  if (due(rates.rmc)) {
    if (fix)
      put(Format("$GPRMC,%s,A,%s,%c,%s,%c,%.2f,%.2f,%s,,,%c", time.c_str(), latText.c_str(), ns,
                 lonText.c_str(), ew, p.knots, p.course, date.c_str(), mode),
          Kind::RMC);
    else
      put(Format("$GPRMC,%s,V,,,,,,,%s,,,N", time.c_str(), date.c_str()), Kind::RMC);
  }
  if (due(rates.vtg)) {
    if (fix)
      put(Format("$GPVTG,%.2f,T,,M,%.2f,N,%.2f,K,%c", p.course, p.knots, p.knots * 1.852, mode), Kind::VTG);
    else
      put("$GPVTG,,T,,M,,N,,K,N", Kind::VTG);
  }
  if (due(rates.zda)) {
    put(Format("$GPZDA,%s,%02d,%02d,%04d,00,00", time.c_str(), tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900),
        Kind::ZDA);
  }
  if (due(rates.chn)) {
    // Status digit: 1 searching, 2 tracking.
    std::string body = "$PQOLCHN";
    for (int c = 0; c < kChannels; ++c) {
      if (c < static_cast<int>(sats.size())) {
        const SatView& v = sats[c];
        body += Format(",%02d%02d%d", v.prn, v.snr > 0 ? v.snr : 0, v.snr > 0 ? 2 : 1);
      } else {
        body += ",00000";
      }
    }
    put(body, Kind::CHN);
  }
}

}  // namespace vantrel::sim
