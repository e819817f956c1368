// Running one function on several threads at once.
#pragma once

#include <exception>
#include <functional>
#include <thread>
#include <vector>

namespace lumitone {

// The number of cores in this process's CPU affinity mask, at least 1.
int AvailableThreads();

// Runs body(0) on the calling thread and body(1) .. body(threads - 1) on new
// threads, and returns when all have returned. Where a thread cannot be
// started, the calling thread runs that body itself afterwards, so every
// body runs exactly once whatever the system allows.
template <typename Body>
void RunOnThreads(int threads, Body& body) {
  std::vector<std::thread> started;
  try {
    started.reserve(static_cast<size_t>(threads > 1 ? threads - 1 : 0));
  } catch (const std::exception&) {
    // Not even room for the handles: run everything here.
    for (int index = 0; index < threads; ++index) body(index);
    return;
  }
  int firstLeftOver = threads;
  for (int index = 1; index < threads; ++index) {
    try {
      started.emplace_back(std::ref(body), index);
    } catch (const std::exception&) {
      firstLeftOver = index;
      break;
    }
  }
  body(0);
  for (int index = firstLeftOver; index < threads; ++index) body(index);
  for (std::thread& thread : started) thread.join();
}

}  // namespace lumitone
