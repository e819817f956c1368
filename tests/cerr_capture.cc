#include "tests/cerr_capture.h"

#include <iostream>

namespace lumitone::testing {

CerrCapture::CerrCapture() : saved_(std::cerr.rdbuf(text_.rdbuf())) {}

CerrCapture::~CerrCapture() { std::cerr.rdbuf(saved_); }

std::string CerrCapture::Take() {
  std::string text = text_.str();
  text_.str("");
  return text;
}

}  // namespace lumitone::testing
