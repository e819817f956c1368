#include "cli/usage.h"

#include <iostream>

#include "cli/run_settings.h"

namespace lumitone {

void PrintUsage(std::string_view programName) {
  std::cerr << "\nUsage: " << programName << "\n"
            << "-i1:<jpeg filename> -o:<output wav> -d:<duration>\n"
            << " - OR -\n"
            << "-i1:<jpeg filename 1> -i2:<jpeg filename 2> -o:<output wav> "
               "-d:<duration>\n\n"
            << "Additional optional parameters are:\n"
            << "[ -s:<steps per octave> ] [ -f:<low-high> ]\n\n"
            << "<input jpeg>: JPEG file to read. Gives mono WAV output.\n"
            << "specify -i1 alone for mono output; -i1 and -i2 for stereo "
               "output.\n\n"
            << "<output wav>: WAV file to be created from image(s).\n\n"
            << "<duration>: duration of output file in seconds. Floating "
               "point value.\n"
            << " Valid: " << kMinDurationSeconds << " to "
            << kMaxDurationSeconds << ".\n\n"
            << "<low-high>: range of frequencies (integers) to output.\n"
            << " Valid: " << kMinFrequency << " to " << kMaxFrequency
            << ". Default: " << kDefaultLowFrequency << " to "
            << kDefaultHighFrequency << ").\n\n"
            << "<steps per octave>: frequencies used per octave.\n"
            << " Valid: " << kMinStepsPerOctave << " to " << kMaxStepsPerOctave
            << ". Default: " << kDefaultStepsPerOctave << ".\n"
            << "\n";
}

}  // namespace lumitone
