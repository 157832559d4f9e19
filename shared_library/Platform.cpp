#include "Platform.h"

#include "StringLib.h"

namespace cadro {

int LocalTime::DayOfYear() const {
  static constexpr int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int m = month < 1 ? 1 : (month > 12 ? 12 : month);
  return kBefore[m - 1] + day + (leap && m > 2 ? 1 : 0);
}

std::string LocalTime::ClockText() const {
  return TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(second);
}

}  // namespace cadro
