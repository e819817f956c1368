#include "cli/run_settings.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace lumitone {
namespace {

const std::string kRangeHint =
    "Frequency range should be two numbers in the range 1 to 100000\n"
    "separated by a hyphen, e.g, 1000 to 20000.\n";

struct ParseResult {
  bool ok;
  std::string err;
  RunSettings settings;
};

ParseResult Parse(std::vector<std::string> words) {
  words.insert(words.begin(), "lumitone");
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  ParseResult result;
  ::testing::internal::CaptureStderr();
  result.ok = ParseArguments(static_cast<int>(argv.size()), argv.data(),
                             result.settings);
  result.err = ::testing::internal::GetCapturedStderr();
  return result;
}

TEST(MatchOptionTest, ComparesTheKeyCaseInsensitively) {
  struct Case {
    const char* word;
    const char* name;
    bool ok;
    const char* value;
  } cases[] = {
      {"-i1:a.jpg", "i1", true, "a.jpg"},
      {"-I1:A.JPG", "i1", true, "A.JPG"},
      {"-o:", "o", true, ""},
      {"-o:c:/x-y.wav", "o", true, "c:/x-y.wav"},
      {"-o", "o", false, ""},
      {"-i1pic.jpg", "i1", false, ""},
      {"i1:pic.jpg", "i1", false, ""},
      {"-i2:x", "i1", false, ""},
      {"-D:2", "d", true, "2"},
  };
  for (const Case& c : cases) {
    std::string value = "untouched";
    EXPECT_EQ(MatchOption(c.word, c.name, value), c.ok) << c.word;
    EXPECT_EQ(value, c.ok ? c.value : "untouched") << c.word;
  }
}

TEST(ParseArgumentsTest, AcceptsAndFillsTheSettings) {
  ParseResult r = Parse({"-I1:pic.jpg", "-O:out.wav", "-D:2"});
  ASSERT_TRUE(r.ok) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.settings.inputPaths, std::vector<std::string>{"pic.jpg"});
  EXPECT_EQ(r.settings.outputPath, "out.wav");
  EXPECT_EQ(r.settings.durationSeconds, 2.0);
  EXPECT_EQ(r.settings.stepsPerOctave, 24);
  EXPECT_EQ(r.settings.lowFrequency, 1000);
  EXPECT_EQ(r.settings.highFrequency, 20000);

  r = Parse({"stray", "-i2:b.jpg", "-f:100-200-300", "-s:12.7", "-o:", "-d:60",
             "-i1:a.jpg"});
  ASSERT_TRUE(r.ok) << r.err;
  EXPECT_EQ(r.settings.inputPaths,
            (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_EQ(r.settings.outputPath, "");
  EXPECT_EQ(r.settings.durationSeconds, 60.0);
  EXPECT_EQ(r.settings.stepsPerOctave, 12);
  EXPECT_EQ(r.settings.lowFrequency, 100);
  EXPECT_EQ(r.settings.highFrequency, 200);

  r = Parse({"-i1:a", "-o:b", "-d:0.001", "-f:1000.5-2000", "-s:10000"});
  ASSERT_TRUE(r.ok) << r.err;
  EXPECT_EQ(r.settings.durationSeconds, 0.001);
  EXPECT_EQ(r.settings.lowFrequency, 1000);
  EXPECT_EQ(r.settings.stepsPerOctave, 10000);

  r = Parse({"-i1:a", "-o:b", "-d:5.6abc", "-f:1-100000", "-s:1"});
  ASSERT_TRUE(r.ok) << r.err;
  EXPECT_EQ(r.settings.durationSeconds, 5.6);
  EXPECT_EQ(r.settings.lowFrequency, 1);
  EXPECT_EQ(r.settings.highFrequency, 100000);
}

TEST(ParseArgumentsTest, FirstFailureWritesItsOneMessage) {
  const std::string kDurationHelp =
      "Can't understand specified duration. Should be in seconds, e.g. -d:1 "
      "or -d:5.6\n";
  const std::string kShorter =
      "Please specify a shorter duration. Maximum is 60.\n";
  const std::string kLonger =
      "Please specify a longer duration. Minimum is 0.001.\n";
  const std::string kStepsRange =
      "Steps per octave must be in range 1 to 10000 inclusive.\n";
  const std::string kSensible =
      "Please specify some sensible frequencies!\n" + kRangeHint;
  struct Case {
    std::vector<std::string> words;
    std::string err;
  } cases[] = {
      {{"pic.jpg"}, "You didn't specify an input file 1.\n"},
      {{"-i1pic.jpg", "i1:pic.jpg", "-o:x", "-d:1"},
       "You didn't specify an input file 1.\n"},
      {{"-i2:b.jpg", "-o:x.wav", "-d:1"},
       "You specified input file 2 but not input file 1.\n"},
      {{"-i1:a"}, "You didn't specify an output file.\n"},
      {{"-i1:a", "-o:x"}, "You didn't specify the duration.\n"},
      {{"-i1:a", "-i1:b"}, "You specified input file 1 more than once.\n"},
      {{"-i2:a", "-I2:b"}, "You specified input file 2 more than once.\n"},
      {{"-o:a", "-o:a"}, "You specified output file more than once.\n"},
      {{"-d:1", "-d:abc"}, "You specified duration more than once.\n"},
      {{"-s:2", "-s:2"}, "You specified steps per octave more than once.\n"},
      {{"-f:1-2", "-f:3-4"},
       "You specified the frequency range more than once.\n"},
      // Later words are not examined once a check fails.
      {{"-d:abc", "-d:abc", "-i1:a"}, kDurationHelp},
      {{"-d:"}, kDurationHelp},
      {{"-d:inf"}, kDurationHelp},
      {{"-d:0.0009"}, kLonger},
      {{"-d:0x10"}, kLonger},
      {{"-d:-1"}, kLonger},
      {{"-d:1e-400"}, kLonger},
      {{"-d:60.0001"}, kShorter},
      {{"-d:1e400"}, kShorter},
      {{"-s:x"},
       "Can't understand specified steps per octave.\nShould be in range 1 to "
       "10000 inclusive.\n"},
      {{"-s:0"}, kStepsRange},
      {{"-s:10001"}, kStepsRange},
      {{"-s:4294967297", "-s:1"},
       "You specified steps per octave more than once.\n"},
      {{"-s:4294967296"}, kStepsRange},
      {{"-f:20000"}, kRangeHint},
      {{"-f:-20000"}, kRangeHint},
      {{"-f:1000-"}, kRangeHint},
      {{"-f:"}, kRangeHint},
      {{"-f:a-2000"},
       "Can't understand lower frequency of specified frequency range.\n" +
           kRangeHint},
      {{"-f:1000-b"},
       "Can't understand higher frequency of specified frequency range.\n" +
           kRangeHint},
      {{"-f:100-100"},
       "Try making the two frequencies in the range different from each "
       "other.\n" +
           kRangeHint},
      {{"-f:2000-1000"},
       "Frequency range should go from lower to higher. Try again.\n" +
           kRangeHint},
      {{"-f:0-1000"}, kSensible},
      {{"-f:100-100001"}, kSensible},
      {{"-f:100--5"}, kSensible},
      {{"-f:200000-100"}, kSensible},
  };
  for (const Case& c : cases) {
    ParseResult r = Parse(c.words);
    EXPECT_FALSE(r.ok) << c.words[0];
    EXPECT_EQ(r.err, c.err) << c.words[0];
  }
}

}  // namespace
}  // namespace lumitone
