#pragma once

#include <cstddef>
#include <functional>

namespace pressling::cli {

// The cores this process may run on; at least 1.
unsigned UsableCores();

// Calls work(i) for every i below count, taken in rising order of i, with up
// to threads (at least 1) calls at once: on the calling thread and up to
// threads - 1 more. Once stopRequested() is true no further call starts. Returns when
// every call has returned.
void RunInParallel(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& work,
                   const std::function<bool()>& stopRequested);

}  // namespace pressling::cli
