#include "core/run_clock.hpp"

#include <gtest/gtest.h>

namespace tarnavel {
namespace {

ClockReading At(int hour, int minute, int second) {
  ClockReading c;
  c.year = 2026;
  c.month = 1;
  c.day = 2;
  c.hour = hour;
  c.minute = minute;
  c.second = second;
  return c;
}

TEST(RunClock, TimeLineUsesTheTwelveHourClock) {
  struct Case {
    int hour, minute, second;
    const char* expected;
  };
  const Case cases[] = {
      {0, 5, 0, " Time: 12: 5: 0 AM"},     // just after midnight shows 12 AM
      {12, 30, 0, " Time: 12:30: 0 PM"},   // half past noon shows 12 PM
      {11, 59, 59, " Time: 11:59:59 AM"},
      {13, 0, 7, " Time:  1: 0: 7 PM"},
      {23, 45, 10, " Time: 11:45:10 PM"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TimeLine(At(c.hour, c.minute, c.second)), c.expected) << c.hour << ":" << c.minute;
  }
}

TEST(RunClock, DateLineRightJustifiesEachField) {
  ClockReading c = At(9, 0, 0);
  EXPECT_EQ(DateLine(c), " Date:  1/ 2/2026");
  c.month = 12;
  c.day = 31;
  EXPECT_EQ(DateLine(c), " Date: 12/31/2026");
}

TEST(RunClock, ElapsedLineSplitsIntoDaysHoursMinutesSeconds) {
  EXPECT_EQ(ElapsedLine(1), " 0 Days  0 Hours  0 Minutes  1 Seconds");
  EXPECT_EQ(ElapsedLine(86400 + 3600 + 60 + 1), " 1 Days  1 Hours  1 Minutes  1 Seconds");
  EXPECT_EQ(ElapsedLine(12 * 86400 + 23 * 3600 + 59 * 60 + 59), "12 Days 23 Hours 59 Minutes 59 Seconds");
}

TEST(RunClock, ElapsedSecondsComeFromTheMonotonicClockNotTheCalendar) {
  // A run that starts on the last day of a month and ends on the first of the
  // next: the calendar fields go backwards, the elapsed time does not.
  ClockReading start = At(23, 59, 30);
  start.day = 31;
  ClockReading end = At(0, 0, 30);
  end.month = 2;
  end.day = 1;
  end.instant = start.instant + std::chrono::seconds(60);
  EXPECT_EQ(ElapsedSeconds(start, end), 60);
}

}  // namespace
}  // namespace tarnavel
