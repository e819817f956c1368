// Scanners for the two number forms the command line accepts: a decimal
// floating-point number and a decimal 32-bit integer. Each reads the longest
// prefix of the text that forms a number (after leading white space) and
// ignores whatever follows. Neither depends on the C locale.
#pragma once

#include <cstdint>
#include <string_view>

namespace lumitone {

// Reads [+|-] digits [. digits] [(e|E) [+|-] digits], at least one digit
// before or after the point. The value is the double nearest to the decimal
// number; a magnitude too large for a double reads as infinity and one too
// small as zero, keeping the sign. Returns false when no number starts the
// text, leaving `value` unchanged.
bool ScanDouble(std::string_view text, double& value);

// Reads [+|-] digits. The digits accumulate as value * 10 + digit modulo
// 2^32 and the result is negated after a minus sign, so "4294967297" reads
// as 1. Returns false when no number starts the text, leaving `value`
// unchanged.
bool ScanInt(std::string_view text, int32_t& value);

}  // namespace lumitone
