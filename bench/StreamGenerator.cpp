#include "bench/StreamGenerator.h"

#include <cmath>
#include <cstdio>

namespace vantrel::bench {

namespace {

void Append(std::string& out, const char* body, size_t& count) {
  unsigned x = 0;
  for (const char* p = body; *p; ++p) x ^= static_cast<unsigned char>(*p);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", x & 0xFFu);
  out += '$';
  out += body;
  out += tail;
  ++count;
}

}  // namespace

std::string GenerateStream(size_t seconds, size_t* sentences) {
  std::string out;
  out.reserve(seconds * 640);
  size_t count = 0;
  char b[160];
  for (size_t t = 0; t < seconds; ++t) {
    const unsigned hh = static_cast<unsigned>(t / 3600 % 24), mm = static_cast<unsigned>(t / 60 % 60),
                   ss = static_cast<unsigned>(t % 60);
    const unsigned day = static_cast<unsigned>(1 + t / 86400 % 28);
    const double latMin = 16.4512 + 0.0001 * static_cast<double>(t % 1000);
    const double lonMin = 11.1234 + 0.0002 * static_cast<double>(t % 1000);
    const int snr = 30 + static_cast<int>(t % 15);
    std::snprintf(b, sizeof b, "GPGGA,%02u%02u%02u.000,49%07.4f,N,123%07.4f,W,1,08,1.1,%.1f,M,-17.1,M,,0000", hh, mm, ss,
                  latMin, lonMin, 27.4 + std::sin(static_cast<double>(t) / 60.0));
    Append(out, b, count);
    std::snprintf(b, sizeof b, "GPGLL,49%07.4f,N,123%07.4f,W,%02u%02u%02u.000,A,A", latMin, lonMin, hh, mm, ss);
    Append(out, b, count);
    Append(out, "GPGSA,A,3,05,07,13,18,21,26,29,10,,,,,1.9,1.1,1.5", count);
    std::snprintf(b, sizeof b, "GPGSV,3,1,12,05,45,123,%02d,07,33,071,%02d,13,12,311,%02d,18,67,201,%02d", snr, snr - 3,
                  snr - 10, snr + 4);
    Append(out, b, count);
    std::snprintf(b, sizeof b, "GPGSV,3,2,12,21,21,045,%02d,26,55,260,%02d,29,08,150,%02d,10,03,330,%02d", snr - 5,
                  snr + 3, snr - 12, snr - 20);
    Append(out, b, count);
    Append(out, "GPGSV,3,3,12,15,01,100,,02,10,005,,30,40,220,,31,50,080,", count);
    std::snprintf(b, sizeof b, "GPRMC,%02u%02u%02u.000,A,49%07.4f,N,123%07.4f,W,0.54,87.20,%02u0407,,,A", hh, mm, ss,
                  latMin, lonMin, day);
    Append(out, b, count);
    Append(out, "GPVTG,87.20,T,,M,0.54,N,1.00,K,A", count);
    std::snprintf(b, sizeof b, "GPZDA,%02u%02u%02u.000,%02u,04,2007,00,00", hh, mm, ss, day);
    Append(out, b, count);
  }
  if (sentences) *sentences = count;
  return out;
}

}  // namespace vantrel::bench
