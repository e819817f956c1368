#include "synthesis/worker_threads.h"

#include <sched.h>

namespace lumitone {

int AvailableThreads() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  int count = CPU_COUNT(&set);
  return count > 0 ? count : 1;
}

}  // namespace lumitone
