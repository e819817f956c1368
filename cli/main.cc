#include "cli/run_converter.h"

int main(int argc, char** argv) {
  lumitone::SetUpConsole();
  return lumitone::RunConverter(argc, argv);
}
