#include "cli/parallel_runs.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <thread>
#include <vector>

namespace pressling::cli {

unsigned UsableCores() {
  cpu_set_t cores;
  if (::sched_getaffinity(0, sizeof cores, &cores) == 0) return std::max(1, CPU_COUNT(&cores));
  return std::max(1u, std::thread::hardware_concurrency());
}

void RunInParallel(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& work,
                   const std::function<bool()>& stopRequested) {
  assert(threads >= 1);
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    while (!stopRequested()) {
      const std::size_t i = next.fetch_add(1);
      if (i >= count) return;
      work(i);
    }
  };
  const std::size_t extra = std::min<std::size_t>(threads, count) - (count > 0 ? 1 : 0);
  std::vector<std::thread> helpers;
  for (std::size_t k = 0; k < extra; ++k) helpers.emplace_back(worker);
  worker();
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace pressling::cli
