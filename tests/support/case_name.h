// A table row's description as a test name: what GoogleTest takes (letters, digits, "_").
#pragma once

#include <string>
#include <string_view>

namespace tunaro::test {

inline std::string CaseName(std::string_view what) {
  std::string name(what);
  for (char& c : name)
    if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9')) c = '_';
  return name;
}

}  // namespace tunaro::test
