// The progress text of the synthesis: before sample j, for every j that is a
// multiple of 100, "\r" p "% done." with p the whole percentage of j in n.
#pragma once

#include <cstdint>
#include <ostream>

namespace lumitone {

inline constexpr int32_t kProgressInterval = 100;

// Writes the progress text that precedes sample j (a multiple of 100) of n.
void WriteProgress(std::ostream& out, int32_t j, int32_t n);

}  // namespace lumitone
