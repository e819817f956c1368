#include "synthesis/kernel_choice.h"

#if LUMITONE_VECTOR_KERNELS
#include <cpuid.h>
#endif

namespace lumitone {
namespace {

#if LUMITONE_VECTOR_KERNELS
// The register state the operating system saves on a context switch: SSE
// and AVX (bits 1, 2); with AVX-512, the mask and upper registers (5-7).
// A CPU feature is usable only when the system saves its registers.
unsigned long long EnabledRegisterState() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || (ecx & bit_OSXSAVE) == 0) {
    return 0;
  }
  unsigned low = 0, high = 0;
  __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return (static_cast<unsigned long long>(high) << 32) | low;
}

bool CpuRuns(KernelSet set) {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const bool fma = (ecx & bit_FMA) != 0;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  const unsigned long long state = EnabledRegisterState();
  const bool avx = (state & 0x6) == 0x6;
  const bool avx512 = avx && (state & 0xe0) == 0xe0;
  switch (set) {
    case KernelSet::kScalar:
      return true;
    case KernelSet::kAvx2:
      return avx && fma && (ebx & bit_AVX2) != 0;
    case KernelSet::kAvx512:
      return avx512 && fma && (ebx & bit_AVX512F) != 0 &&
             (ebx & bit_AVX512DQ) != 0 && (ebx & bit_AVX512VL) != 0;
  }
  return false;
}
#else
bool CpuRuns(KernelSet set) { return set == KernelSet::kScalar; }
#endif

// On x86-64 the portable set's std::fma may be a library routine (a CPU
// without fused multiply-add), and the certified engine would then be
// slower than the exact one. Every CPU of the other architectures the
// program builds for has the instruction, which std::fma compiles to.
#if defined(__x86_64__)
constexpr bool kPortableHasFastFma = false;
#else
constexpr bool kPortableHasFastFma = true;
#endif

const CertifiedKernels& KernelsOf(KernelSet set) {
  switch (set) {
#if LUMITONE_VECTOR_KERNELS
    case KernelSet::kAvx512:
      return Avx512CertifiedKernels();
    case KernelSet::kAvx2:
      return Avx2CertifiedKernels();
#endif
    default:
      return ScalarCertifiedKernels();
  }
}

}  // namespace

const char* KernelSetName(KernelSet set) {
  switch (set) {
    case KernelSet::kAvx512:
      return "AVX-512";
    case KernelSet::kAvx2:
      return "AVX2";
    case KernelSet::kScalar:
      break;
  }
  return "scalar";
}

std::vector<KernelSet> RunnableKernelSets() {
  std::vector<KernelSet> sets;
  for (KernelSet set :
       {KernelSet::kScalar, KernelSet::kAvx2, KernelSet::kAvx512}) {
    if (CpuRuns(set)) sets.push_back(set);
  }
  return sets;
}

const CertifiedKernels* CertifiedKernelsFor(KernelSet set) {
  return CpuRuns(set) ? &KernelsOf(set) : nullptr;
}

const CertifiedKernels* BestCertifiedKernels() {
  static const CertifiedKernels* const best = [] {
    std::vector<KernelSet> sets = RunnableKernelSets();
    KernelSet widest = sets.back();
    if (widest == KernelSet::kScalar && !kPortableHasFastFma) {
      return static_cast<const CertifiedKernels*>(nullptr);
    }
    return &KernelsOf(widest);
  }();
  return best;
}

AccumulateTermsFn AccumulateTermsFor(KernelSet set) {
  if (!CpuRuns(set)) return nullptr;
#if LUMITONE_VECTOR_KERNELS
  if (set != KernelSet::kScalar) return AccumulateTermsAvx2;
#endif
  return AccumulateTermsScalar;
}

AccumulateTermsFn BestAccumulateTerms() {
  static const AccumulateTermsFn best =
      AccumulateTermsFor(RunnableKernelSets().back());
  return best;
}

}  // namespace lumitone
