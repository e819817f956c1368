// The certified kernels for the AVX-512 set.
#include "synthesis/certified_kernel_inl.h"
#include "synthesis/vector_ops_avx512.h"

namespace lumitone {

const CertifiedKernels& Avx512CertifiedKernels() {
  static const CertifiedKernels kernels =
      certified::MakeKernels<avx512_ops::Ops>("AVX-512");
  return kernels;
}

}  // namespace lumitone
