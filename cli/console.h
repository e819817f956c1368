// The console as the program finds it at start-up: every standard stream
// open, the standard output buffered to suit what it is, and output faults
// reported as failed writes rather than as signals.
#pragma once

namespace lumitone {

// Sets the standard output's buffering: none on a terminal, so that stage
// lines and progress show at once, and full buffering otherwise; reopens a
// closed standard stream on /dev/null. Call before anything is written.
void SetUpConsole();

// Makes output faults (a full disk, a file-size limit, a closed pipe) come
// back as write errors instead of signals that end the process.
void SetUpSignals();

}  // namespace lumitone
