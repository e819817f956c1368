#include "cli/console.h"
#include "cli/run_converter.h"

int main(int argc, char** argv) {
  lumitone::SetUpConsole();
  lumitone::SetUpSignals();
  return lumitone::RunConverter(argc, argv);
}
