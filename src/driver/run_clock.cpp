#include "driver/run_clock.hpp"

#include <cstdio>
#include <ctime>

namespace tarnavel {

ClockReading ReadClock() {
  ClockReading c;
  c.instant = std::chrono::steady_clock::now();
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  c.year = local.tm_year + 1900;
  c.month = local.tm_mon + 1;
  c.day = local.tm_mday;
  c.hour = local.tm_hour;
  c.minute = local.tm_min;
  c.second = local.tm_sec;
  return c;
}

std::string DateLine(const ClockReading& c) {
  char buf[64];
  std::snprintf(buf, sizeof buf, " Date: %2d/%2d/%4d", c.month, c.day, c.year);
  return buf;
}

std::string TimeLine(const ClockReading& c) {
  const int hour12 = (c.hour % 12 == 0) ? 12 : c.hour % 12;
  const char* half = c.hour < 12 ? "AM" : "PM";
  char buf[64];
  std::snprintf(buf, sizeof buf, " Time: %2d:%2d:%2d %s", hour12, c.minute, c.second, half);
  return buf;
}

long ElapsedSeconds(const ClockReading& start, const ClockReading& end) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::seconds>(end.instant - start.instant).count());
}

std::string ElapsedLine(long seconds) {
  const long days = seconds / 86400;
  const long hours = seconds % 86400 / 3600;
  const long minutes = seconds % 3600 / 60;
  const long secs = seconds % 60;
  char buf[96];
  std::snprintf(buf, sizeof buf, "%2ld Days %2ld Hours %2ld Minutes %2ld Seconds", days, hours, minutes,
                secs);
  return buf;
}

}  // namespace tarnavel
