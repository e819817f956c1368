// The program's entry: one conversion per call, from the command line to the
// WAV file, with the stage lines on the standard output and diagnostics on
// the standard error. Returns 0 on success and -1 on any failure.
#pragma once

namespace lumitone {

// Sets the standard output's buffering: none on a terminal, so that stage
// lines and progress show at once, and full buffering otherwise; reopens a
// closed standard stream on /dev/null. Call before anything is written.
void SetUpConsole();

// Makes output faults (a full disk, a file-size limit, a closed pipe) come
// back as write errors instead of signals that end the process.
void SetUpSignals();

int RunConverter(int argumentCount, const char* const* arguments);

}  // namespace lumitone
