#include "synthesis/progress.h"

#include <cmath>

namespace lumitone {

void WriteProgress(std::ostream& out, int32_t j, int32_t n) {
  int p = static_cast<int>(std::floor(
      static_cast<double>(j * 100) / static_cast<double>(n) + 0.001));
  out << "\r" << p << "% done.";
}

}  // namespace lumitone
