#include "platform/clock.h"

#include <langinfo.h>

#include "platform/codec.h"

namespace tunaro::platform {

namespace {

std::string Format(const char* format, const std::tm& t) {
  char buf[256];
  const size_t n = std::strftime(buf, sizeof buf, format, &t);
  // strftime writes the locale's codeset (GBK under zh_CN.GBK); the texts go into a file name.
  return LocaleTextToUtf8(std::string_view(buf, n));
}

}  // namespace

TDateTimeTexts FormatDateTime(const std::tm& local) {
  const char* dateFormat = nl_langinfo(D_FMT);
  const char* timeFormat = nl_langinfo(T_FMT);
  if (dateFormat == nullptr || *dateFormat == 0) dateFormat = "%Y-%m-%d";
  if (timeFormat == nullptr || *timeFormat == 0) timeFormat = "%H:%M:%S";
  return {Format(dateFormat, local), Format(timeFormat, local)};
}

TDateTimeTexts NowTexts() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return FormatDateTime(local);
}

}  // namespace tunaro::platform
