// The usage text shown when the program is run without arguments.
#pragma once

#include <string_view>

namespace lumitone {

// Writes the usage text to the standard error; `programName` is the first
// command-line word exactly as typed.
void PrintUsage(std::string_view programName);

}  // namespace lumitone
