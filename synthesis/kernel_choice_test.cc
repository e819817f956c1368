#include "synthesis/kernel_choice.h"

#include <vector>

#include <gtest/gtest.h>

namespace lumitone {
namespace {

// The choice against an independent reading of the build option and of the
// CPU (the compiler's own feature test, which also asks the operating
// system whether it saves the wide registers): every set that was built
// and that this CPU runs is offered, and the widest is used.
TEST(KernelChoiceTest, OffersEveryBuiltSetThisCpuRuns) {
  std::vector<KernelSet> expected = {KernelSet::kScalar};
#if LUMITONE_VECTOR_KERNELS
  const bool avx2 =
      __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  if (avx2) expected.push_back(KernelSet::kAvx2);
  if (avx2 && __builtin_cpu_supports("avx512f") &&
      __builtin_cpu_supports("avx512dq") &&
      __builtin_cpu_supports("avx512vl")) {
    expected.push_back(KernelSet::kAvx512);
  }
#endif
  EXPECT_EQ(RunnableKernelSets(), expected);
  for (KernelSet set : expected) {
    EXPECT_NE(CertifiedKernelsFor(set), nullptr) << KernelSetName(set);
    EXPECT_NE(AccumulateTermsFor(set), nullptr) << KernelSetName(set);
  }
#if LUMITONE_VECTOR_KERNELS
  // On x86-64 the portable set alone would be slower than the exact
  // engine, which then runs.
  const CertifiedKernels* best = expected.back() == KernelSet::kScalar
                                     ? nullptr
                                     : CertifiedKernelsFor(expected.back());
#else
  const CertifiedKernels* best =
#if defined(__x86_64__)
      nullptr;
#else
      CertifiedKernelsFor(KernelSet::kScalar);
#endif
#endif
  EXPECT_EQ(BestCertifiedKernels(), best);
}

}  // namespace
}  // namespace lumitone
