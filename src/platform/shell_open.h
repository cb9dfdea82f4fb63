// The desktop's "open" of a file or address with its default program. Fire and forget.
#pragma once

#include <string>

namespace tunaro::platform {

// Starts the default program for the path or address and does not wait for it.
// Returns false only when the opener could not be started at all.
bool ShellOpen(const std::string& target);

}  // namespace tunaro::platform
