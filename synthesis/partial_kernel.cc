#include "synthesis/partial_kernel.h"

namespace lumitone {

AccumulateTermsFn BestAccumulateTerms() {
#if defined(__x86_64__)
  static const AccumulateTermsFn best = __builtin_cpu_supports("avx2")
                                            ? AccumulateTermsAvx2
                                            : AccumulateTermsScalar;
  return best;
#else
  return AccumulateTermsScalar;
#endif
}

}  // namespace lumitone
