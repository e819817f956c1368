// Where the WAV file goes and how it gets there. An output that would
// overwrite an input or land in the console is refused; a regular file is
// replaced whole or not at all, even when the run is interrupted.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <string>

namespace lumitone {

// Which file a path names, so that the output can be told apart from the
// inputs however it is spelt: through links, "..", or another name.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool known = false;
};

FileIdentity IdentityOf(const struct stat& info);

// Refuses, before any work is spent on the sound, an output that names one
// of the inputs or the file the standard output or error goes to (whose
// stage lines would end up inside the WAV file). False after a diagnostic.
bool CheckOutputPath(const std::string& path, const FileIdentity inputs[2]);

// How an opened output is written.
enum class OutputMode {
  kDirect,     // not a regular file (a device, a pipe): written as it is
  kTemporary,  // a temporary file beside the target, renamed over it at the end
  kInPlace,    // a regular file that no temporary file could be put beside
};

struct OutputFile {
  std::string path;    // as the user gave it, for messages
  std::string target;  // the file that is replaced: `path` with links followed
  std::string temporaryPath;  // kTemporary only
  OutputMode mode = OutputMode::kDirect;
  FILE* file = nullptr;
};

// Opens the output for writing without touching what it holds now. While the
// output is open, SIGINT, SIGTERM, SIGHUP and SIGQUIT remove the partial
// file (or empty the file written in place) before they end the process.
// False, after "Could not create output file '" path ".\n" or the refusal of
// CheckOutputPath, when it cannot be opened.
bool OpenOutputFile(const std::string& path, const FileIdentity inputs[2],
                    OutputFile& output);

// Completes an output opened by OpenOutputFile, `written` telling whether
// every write succeeded: flushes it to the disk, checks it and renames it
// over the target. On any failure the previous file is left as it was (in
// place: emptied), no temporary file remains, and "Could not write output
// file '" path "'.\n" is written; then false.
bool FinishOutputFile(OutputFile& output, bool written);

}  // namespace lumitone
