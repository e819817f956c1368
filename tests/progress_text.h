// The progress texts a run of `sampleCount` samples must write, worked out
// from the percentages alone, for tests to compare with.
#pragma once

#include <cstdint>
#include <string>

namespace lumitone::testing {

std::string ProgressText(int32_t sampleCount);

}  // namespace lumitone::testing
