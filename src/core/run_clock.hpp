#pragma once
// Wall-clock bookkeeping of a run: the date and time lines of the start and end
// reports, and the elapsed time between them.

#include <chrono>
#include <string>

namespace tarnavel {

struct ClockReading {
  int year = 0, month = 0, day = 0;     // calendar date
  int hour = 0, minute = 0, second = 0; // 24-hour clock
  std::chrono::steady_clock::time_point instant{};
};

ClockReading ReadClock();

// " Date: " month "/" day "/" year with 2-digit month and day and a 4-digit
// year, each right-justified.
std::string DateLine(const ClockReading& c);
// " Time: " hour ":" minute ":" second " " AM or PM, 2-digit right-justified
// fields, the hour on the 12-hour clock (0 and 12 shown as 12).
std::string TimeLine(const ClockReading& c);

// Whole seconds between two readings, from the monotonic clock.
long ElapsedSeconds(const ClockReading& start, const ClockReading& end);
// Days, hours, minutes and seconds, each a 2-digit right-justified field.
std::string ElapsedLine(long seconds);

}  // namespace tarnavel
