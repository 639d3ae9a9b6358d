#include "core/run_clock.hpp"

#include <ctime>

#include "core/fortran_format.hpp"

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
  return " Date: " + fmt::I(c.month, 2) + "/" + fmt::I(c.day, 2) + "/" + fmt::I(c.year, 4);
}

std::string TimeLine(const ClockReading& c) {
  const int hour12 = (c.hour % 12 == 0) ? 12 : c.hour % 12;
  const char* half = c.hour < 12 ? "AM" : "PM";
  return " Time: " + fmt::I(hour12, 2) + ":" + fmt::I(c.minute, 2) + ":" + fmt::I(c.second, 2) + " " + half;
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
  return fmt::I(days, 2) + " Days " + fmt::I(hours, 2) + " Hours " + fmt::I(minutes, 2) + " Minutes " +
         fmt::I(secs, 2) + " Seconds";
}

}  // namespace tarnavel
