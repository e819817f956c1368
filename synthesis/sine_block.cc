#include "synthesis/sine_block.h"

#include <cmath>

namespace lumitone {

void SineBlock(const double* arguments, double* sines, int count) {
  for (int s = 0; s < count; ++s) sines[s] = std::sin(arguments[s]);
}

}  // namespace lumitone
