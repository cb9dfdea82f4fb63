// Local date and time in the user's regional formats (LC_TIME).
#pragma once

#include <ctime>
#include <functional>
#include <string>

namespace tunaro::platform {

struct TDateTimeTexts {
  std::string ShortDate;  // the user's short date format, e.g. 2002-12-31
  std::string LongTime;   // the user's long time format, e.g. 9:05:07
};

// Formats a broken-down local time with the locale's date (D_FMT) and time (T_FMT) formats,
// as UTF-8 whatever the locale's codeset.
TDateTimeTexts FormatDateTime(const std::tm& local);

// The current local date and time, formatted.
TDateTimeTexts NowTexts();

// A source of date and time texts; tests put a fixed one in its place.
using TClock = std::function<TDateTimeTexts()>;

}  // namespace tunaro::platform
