// Times the synthesis engines on fixed workloads and prints, for each: the
// plain loops' time (where it takes under a minute), the exact engine's,
// the certified engine's (synthesis and normalisation, all threads), the
// ratios, the approximate pass's cost in ns per channel-partial on one core,
// and the fraction of values the certified engine computed exactly. Every
// run's 16-bit values are compared with the exact engine's.
//
// Usage: lumitone_bench [--quick] [--threads=N] [--write-pictures=DIR]
//   --quick skips the long workloads; --write-pictures writes the workload
//   pictures as PPM files for whole-program runs (bench/whole_runs.sh).
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "synthesis/exact_synthesis.h"
#include "synthesis/generate_samples.h"
#include "synthesis/plain_samples.h"
#include "synthesis/worker_threads.h"
#include "tests/test_pictures.h"
#include "wav/wav_writer.h"

namespace lumitone {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

double ThreadCpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
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
          std::memset(p + (static_cast<size_t>(top + y) * width + left + x) * 3,
                      255, 3);
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
  int32_t steps = 24;
  int32_t low = 1000, high = 20000;
  bool plain = true;  // time the plain loops too
  bool quick = true;  // part of --quick
};

struct Figures {
  double plain = 0, exact = 0, certified = 0;
  double planMs = 0;         // the plan before the pass, on one core
  double passNs = 0;         // ns per channel-partial on one core
  double exactFraction = 0;  // values computed exactly by the certified run
  bool same = true;
};

RgbImage Copy(const RgbImage& from) {
  RgbImage to;
  to.Allocate(from.Width(), from.Height());
  std::memcpy(to.MutablePixels(), from.Pixels(),
              static_cast<size_t>(from.Width()) * from.Height() * 3);
  return to;
}

std::vector<int32_t> Quantized(const SampleBuffer& left,
                               const SampleBuffer& right) {
  std::vector<int32_t> values;
  for (size_t j = 0; j < left.size(); ++j) {
    values.push_back(WavSampleValue(left[j]));
    if (!right.empty()) values.push_back(WavSampleValue(right[j]));
  }
  return values;
}

Figures Measure(const Workload& w, int threads) {
  RunSettings settings;
  settings.inputPaths = {"left"};
  if (w.right != nullptr) settings.inputPaths.push_back("right");
  settings.durationSeconds = w.seconds;
  settings.stepsPerOctave = w.steps;
  settings.lowFrequency = w.low;
  settings.highFrequency = w.high;
  const int channels = static_cast<int>(settings.inputPaths.size());
  RgbImage pictures[2] = {Copy(*w.left),
                          w.right != nullptr ? Copy(*w.right) : RgbImage()};
  const int32_t n = SampleCount(settings.durationSeconds);
  const double ratio = RungRatio(settings.stepsPerOctave);
  const PhaseTable phases = BuildPhaseTable(settings, ratio);
  std::ostringstream progress;
  Figures figures;
  auto fresh = [&](SampleBuffer& left, SampleBuffer& right) {
    left.assign(n, 0.0);
    right.assign(channels == 2 ? n : 0, 0.0);
  };
  SampleBuffer left, right;

  if (w.plain) {
    fresh(left, right);
    Clock::time_point start = Clock::now();
    GeneratePlainSamples(settings, pictures, phases, ratio, left, right, n,
                         progress);
    NormalizeExactSamples(left, right, channels, n, 1);
    figures.plain = Seconds(start);
  }

  fresh(left, right);
  Clock::time_point start = Clock::now();
  GenerateExactSamples(settings, pictures, phases, ratio, left, right, n,
                       progress, {.threads = threads});
  NormalizeExactSamples(left, right, channels, n, threads);
  figures.exact = Seconds(start);
  const std::vector<int32_t> reference = Quantized(left, right);

  fresh(left, right);
  SynthesisState state;
  start = Clock::now();
  GenerateSamples(settings, pictures, phases, ratio, left, right, n, progress,
                  state, {.threads = threads});
  NormalizeSamples(left, right, channels, n, state);
  figures.certified = Seconds(start);
  figures.same = Quantized(left, right) == reference;
  const CertifiedReport& report = state.report;
  if (report.fallback != nullptr) {
    std::printf("%s: the exact engine ran (%s)\n", w.name, report.fallback);
  }
  figures.exactFraction =
      static_cast<double>(report.exactInPass + report.candidates +
                          report.recomputed) /
      static_cast<double>(report.values);

  // The approximate pass alone, on one thread, in that thread's CPU time so
  // that other processes on a shared machine do not count; the best of
  // three, so that first-touch page faults do not either.
  // The plan (luminance rows, column sums, step rotations), done once per
  // run, is reported apart.
  double passSeconds = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    fresh(left, right);
    SynthesisState single;
    double cpuStart = ThreadCpuSeconds();
    GenerateSamples(settings, pictures, phases, ratio, left, right, n, progress,
                    single, {.threads = 1});
    double seconds = ThreadCpuSeconds() - cpuStart;
    double plan = single.report.planSeconds;
    if (attempt == 0 || seconds - plan < passSeconds) {
      passSeconds = seconds - plan;
      figures.planMs = plan * 1e3;
    }
  }
  figures.passNs =
      passSeconds * 1e9 / (static_cast<double>(n) * channels * phases.size());
  return figures;
}

void WritePpm(const std::string& path, const RgbImage& picture) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return;
  std::fprintf(file, "P6\n%d %d\n255\n", picture.Width(), picture.Height());
  std::fwrite(picture.Pixels(), 3,
              static_cast<size_t>(picture.Width()) * picture.Height(), file);
  std::fclose(file);
}

int Main(int argc, char** argv) {
  bool quick = false;
  int threads = AvailableThreads();
  const char* pictureDirectory = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) quick = true;
    if (std::strncmp(argv[i], "--threads=", 10) == 0)
      threads = std::atoi(argv[i] + 10);
    if (std::strncmp(argv[i], "--write-pictures=", 17) == 0) {
      pictureDirectory = argv[i] + 17;
    }
  }
  RgbImage dense = testing::NoisePicture(640, 480, 1);
  RgbImage noise = testing::NoisePicture(64, 48, 2);
  RgbImage text = TextOnBlack(640, 480);
  if (pictureDirectory != nullptr) {
    std::string dir = pictureDirectory;
    WritePpm(dir + "/dense.ppm", dense);
    WritePpm(dir + "/noise.ppm", noise);
    WritePpm(dir + "/text.ppm", text);
    return 0;
  }
  const Workload workloads[] = {
      {"dense 640x480 mono 10 s", &dense, nullptr, 10.0},
      {"dense + noise stereo 10 s", &dense, &noise, 10.0},
      {"text on black stereo 10 s", &text, &text, 10.0},
      {"dense mono 2 s, -s:240", &dense, nullptr, 2.0, 240},
      {"dense mono 0.1 s", &dense, nullptr, 0.1},
      {"dense mono 0.1 s, -s:240", &dense, nullptr, 0.1, 240},
      {"dense mono 10 s, -s:1000 20-20k", &dense, nullptr, 10.0, 1000, 20,
       20000, false, false},
      {"dense stereo 60 s", &dense, &noise, 60.0, 24, 1000, 20000, false,
       false},
  };
  std::printf("%-32s %8s %8s %9s %8s %8s %9s %8s %9s\n", "workload", "plain s",
              "exact s", "certif. s", "x plain", "x exact", "ns/part.",
              "plan ms", "exact fr.");
  for (const Workload& w : workloads) {
    if (quick && !w.quick) continue;
    Figures f = Measure(w, threads);
    char plain[32] = "-", overPlain[32] = "-";
    if (w.plain) {
      std::snprintf(plain, sizeof plain, "%.3f", f.plain);
      std::snprintf(overPlain, sizeof overPlain, "%.1f", f.plain / f.certified);
    }
    std::printf("%-32s %8s %8.3f %9.4f %8s %8.1f %9.3f %8.2f %9.1e%s\n", w.name,
                plain, f.exact, f.certified, overPlain, f.exact / f.certified,
                f.passNs, f.planMs, f.exactFraction,
                f.same ? "" : "  DIFFERENT VALUES!");
    std::fflush(stdout);
  }
  std::printf("threads: %d\n", threads);
  return 0;
}

}  // namespace
}  // namespace lumitone

int main(int argc, char** argv) { return lumitone::Main(argc, argv); }
