// Which kernels run: the one place that knows which instruction sets this
// program was built with (the LUMITONE_VECTOR_KERNELS build option) and
// which ones this CPU and its operating system run.
#pragma once

#include <vector>

#include "synthesis/certified_kernel.h"
#include "synthesis/partial_kernel.h"

namespace lumitone {

enum class KernelSet { kScalar, kAvx2, kAvx512 };

const char* KernelSetName(KernelSet set);

// The sets built into this program that this CPU runs, portable first.
std::vector<KernelSet> RunnableKernelSets();

// The certified kernels of `set`; null when the set is not runnable here.
const CertifiedKernels* CertifiedKernelsFor(KernelSet set);

// The certified kernels the program uses, chosen once: the widest runnable
// vector set; null where only the portable set would run on a CPU without
// fused multiply-add instructions, where it would be slower than the exact
// engine, which then runs instead.
const CertifiedKernels* BestCertifiedKernels();

// The exact engine's brightness kernel of `set` (the AVX-512 set uses the
// AVX2 one); null when not runnable here.
AccumulateTermsFn AccumulateTermsFor(KernelSet set);

// The fastest exact brightness kernel this CPU runs, chosen once.
AccumulateTermsFn BestAccumulateTerms();

}  // namespace lumitone
