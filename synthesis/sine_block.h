// The one place where the fast synthesis evaluates sines: the C library's
// sin of each argument, so that every value is the plain loops' value.
#pragma once

namespace lumitone {

// sines[s] = sin(arguments[s]) for s in [0, count).
void SineBlock(const double* arguments, double* sines, int count);

// The shape of SineBlock, for anything that stands in its place (a
// benchmark that records the arguments, say); it must give the same values.
using SineBlockFn = void (*)(const double* arguments, double* sines, int count);

}  // namespace lumitone
