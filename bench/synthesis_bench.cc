// Times the plain loops against the fast synthesis on fixed workloads and
// prints, for each, both wall times, their ratio, the thread count and the
// sine floor: the time of just the sin calls the fast run makes, on the same
// arguments in the same order, divided by the thread count.
//
// Usage: lumitone_bench [--quick] [--threads=N]
//   --quick skips the 60-second workload.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "synthesis/exact_synthesis.h"
#include "synthesis/plain_samples.h"
#include "synthesis/worker_threads.h"

namespace lumitone {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

RgbImage Dense(int width, int height, uint32_t seed) {
  RgbImage picture;
  picture.Allocate(width, height);
  uint32_t state = seed;
  unsigned char* p = picture.MutablePixels();
  for (size_t i = 0; i < static_cast<size_t>(width) * height * 3; ++i) {
    state = state * 1664525u + 1013904223u;
    p[i] = static_cast<unsigned char>(state >> 24);
  }
  return picture;
}

// White capital letters drawn from 5 x 7 glyphs on black, in several lines.
RgbImage TextOnBlack(int width, int height) {
  static const char* const kGlyphs[] = {
      "01110100011000111111100011000110001",  // A
      "11110100011111010001100011000111110",  // B
      "01110100011000010000100001000101110",  // C
      "11110100011000110001100011000111110",  // D
      "11111100001111010000100001000011111",  // E
      "10001100011000111111100011000110001",  // H
      "01110001000010000100001000010001110",  // I
      "10001110111010110101100011000110001",  // M
      "01110100011000110001100011000101110",  // O
      "11111001000010000100001000010000100",  // T
  };
  RgbImage picture;
  picture.Allocate(width, height);
  const int scale = 4;
  unsigned char* p = picture.MutablePixels();
  int glyph = 0;
  for (int top = 20; top + 7 * scale < height; top += 12 * scale) {
    for (int left = 16; left + 5 * scale < width; left += 7 * scale, ++glyph) {
      const char* bits = kGlyphs[glyph % 10];
      for (int y = 0; y < 7 * scale; ++y) {
        for (int x = 0; x < 5 * scale; ++x) {
          if (bits[(y / scale) * 5 + x / scale] != '1') continue;
          std::memset(p + (static_cast<size_t>(top + y) * width + left + x) * 3, 255, 3);
        }
      }
    }
  }
  return picture;
}

struct Workload {
  const char* name;
  const RgbImage* left;
  const RgbImage* right;  // nullptr for mono
  double seconds;
  int32_t steps;
};

// The arguments the fast run passes to the sine, timed in batches after
// they are recorded so that recording costs nothing measured.
// The recording run uses one thread, the calling one.
std::vector<double> recorded;
double sineSeconds = 0.0;

void TimeRecorded() {
  std::vector<double> out(recorded.size());
  Clock::time_point start = Clock::now();
  SineBlock(recorded.data(), out.data(), static_cast<int>(recorded.size()));
  sineSeconds += Seconds(start);
  recorded.clear();
}

void RecordingSine(const double* arguments, double* sines, int count) {
  recorded.insert(recorded.end(), arguments, arguments + count);
  if (recorded.size() >= (1u << 20)) TimeRecorded();
  SineBlock(arguments, sines, count);
}

struct Figures {
  double plain = 0, fast = 0, floor = 0;
};

Figures Measure(const Workload& w, int threads) {
  RunSettings settings;
  settings.inputPaths = {"left"};
  if (w.right != nullptr) settings.inputPaths.push_back("right");
  settings.durationSeconds = w.seconds;
  settings.stepsPerOctave = w.steps;
  RgbImage pictures[2];
  pictures[0].Allocate(w.left->Width(), w.left->Height());
  std::memcpy(pictures[0].MutablePixels(), w.left->Pixels(),
              static_cast<size_t>(w.left->Width()) * w.left->Height() * 3);
  if (w.right != nullptr) {
    pictures[1].Allocate(w.right->Width(), w.right->Height());
    std::memcpy(pictures[1].MutablePixels(), w.right->Pixels(),
                static_cast<size_t>(w.right->Width()) * w.right->Height() * 3);
  }
  int32_t n = SampleCount(settings.durationSeconds);
  double ratio = RungRatio(settings.stepsPerOctave);
  PhaseTable phases = BuildPhaseTable(settings, ratio);
  SampleBuffer left(n), right(w.right != nullptr ? n : 0);
  SampleBuffer fastLeft(n), fastRight(right.size());
  std::ostringstream progress;
  Figures figures;

  Clock::time_point start = Clock::now();
  GeneratePlainSamples(settings, pictures, phases, ratio, left, right, n, progress);
  NormalizeExactSamples(left, right, static_cast<int>(settings.inputPaths.size()), n, 1);
  figures.plain = Seconds(start);

  start = Clock::now();
  GenerateExactSamples(settings, pictures, phases, ratio, fastLeft, fastRight, n, progress,
                  {.threads = threads});
  NormalizeExactSamples(fastLeft, fastRight, static_cast<int>(settings.inputPaths.size()), n,
                   threads);
  figures.fast = Seconds(start);
  if (std::memcmp(left.data(), fastLeft.data(), n * sizeof(double)) != 0 ||
      std::memcmp(right.data(), fastRight.data(), right.size() * sizeof(double)) != 0) {
    std::printf("%s: the fast synthesis differs from the plain loops!\n", w.name);
  }

  // One thread records in order, which is the order each worker sees too.
  SampleBuffer recordLeft(n), recordRight(right.size());
  sineSeconds = 0.0;
  GenerateExactSamples(settings, pictures, phases, ratio, recordLeft, recordRight, n, progress,
                  {.threads = 1, .sine = RecordingSine});
  TimeRecorded();
  figures.floor = sineSeconds / threads;
  return figures;
}

int Main(int argc, char** argv) {
  bool quick = false;
  int threads = AvailableThreads();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) quick = true;
    if (std::strncmp(argv[i], "--threads=", 10) == 0) threads = std::atoi(argv[i] + 10);
  }
  RgbImage dense = Dense(640, 480, 1), dense2 = Dense(640, 480, 2);
  RgbImage text = TextOnBlack(640, 480), text2 = TextOnBlack(480, 640);
  const Workload workloads[] = {
      {"dense 640x480 mono 10 s", &dense, nullptr, 10.0, 24},
      {"dense 640x480 stereo 10 s", &dense, &dense2, 10.0, 24},
      {"text on black stereo 10 s", &text, &text2, 10.0, 24},
      {"dense mono 2 s, 240 steps", &dense, nullptr, 2.0, 240},
      {"dense stereo 60 s", &dense, &dense2, 60.0, 24},
  };
  std::printf("%-28s %9s %9s %7s %7s %11s %9s\n", "workload", "plain s", "fast s", "ratio",
              "threads", "sine floor", "other s");
  for (const Workload& w : workloads) {
    if (quick && w.seconds > 10.0) continue;
    Figures f = Measure(w, threads);
    std::printf("%-28s %9.3f %9.3f %7.2f %7d %11.3f %9.3f\n", w.name, f.plain, f.fast,
                f.plain / f.fast, threads, f.floor, f.fast - f.floor);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace
}  // namespace lumitone

int main(int argc, char** argv) { return lumitone::Main(argc, argv); }
