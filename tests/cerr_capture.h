// Collects in memory what the program's code writes to std::cerr while the
// object lives, and puts the stream back as it was afterwards: no file per
// capture, so it costs nothing in a loop of thousands of cases.
#pragma once

#include <sstream>
#include <streambuf>
#include <string>

namespace lumitone::testing {

class CerrCapture {
 public:
  CerrCapture();
  ~CerrCapture();
  CerrCapture(const CerrCapture&) = delete;
  CerrCapture& operator=(const CerrCapture&) = delete;
  // Everything written so far, and a fresh start.
  std::string Take();

 private:
  std::ostringstream text_;
  std::streambuf* saved_;
};

}  // namespace lumitone::testing
