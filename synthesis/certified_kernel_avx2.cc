// The certified kernels for the AVX2 set.
#include "synthesis/certified_kernel_inl.h"
#include "synthesis/vector_ops_avx2.h"

namespace lumitone {

const CertifiedKernels& Avx2CertifiedKernels() {
  static const CertifiedKernels kernels =
      certified::MakeKernels<avx2_ops::Ops>("AVX2");
  return kernels;
}

}  // namespace lumitone
