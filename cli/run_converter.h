// The program's entry: one conversion per call, from the command line to the
// WAV file, with the stage lines on the standard output and diagnostics on
// the standard error. Returns 0 on success and -1 on any failure.
#pragma once

namespace lumitone {

int RunConverter(int argumentCount, const char* const* arguments);

}  // namespace lumitone
