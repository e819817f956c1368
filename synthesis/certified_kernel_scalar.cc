// The certified kernels for the scalar set.
#include "synthesis/certified_kernel_inl.h"
#include "synthesis/vector_ops_scalar.h"

namespace lumitone {

const CertifiedKernels& ScalarCertifiedKernels() {
  static const CertifiedKernels kernels =
      certified::MakeKernels<scalar_ops::Ops>("scalar");
  return kernels;
}

}  // namespace lumitone
