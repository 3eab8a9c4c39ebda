// PackRle against memcpy of the same buffer, so that the ratio of the two
// throughputs can be read from one run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "bitmap/codecs/pack_rle.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

enum Buffer { kBitmap, kRandom, kOneValue };

// A 160 x 160 8-bit screen: background rows, filled shapes with edges at
// varied columns, and a sprinkle of single noisy pixels.
Bytes BitmapLike() {
  std::mt19937 random(160);
  Bytes pixels(160 * 160, 0x00);
  for (int shape = 0; shape < 24; ++shape) {
    const int x0 = static_cast<int>(random() % 150), y0 = static_cast<int>(random() % 150);
    const int w = 4 + static_cast<int>(random() % 60), h = 4 + static_cast<int>(random() % 40);
    const auto colour = static_cast<std::uint8_t>(random());
    for (int y = y0; y < std::min(160, y0 + h); ++y)
      for (int x = x0; x < std::min(160, x0 + w); ++x) pixels[static_cast<std::size_t>(y * 160 + x)] = colour;
  }
  for (int k = 0; k < 600; ++k) pixels[random() % pixels.size()] = static_cast<std::uint8_t>(random());
  return pixels;
}

const Bytes& Data(Buffer which) {
  static const Bytes bitmap = BitmapLike();
  static const Bytes randomBytes = [] {
    std::mt19937 random(1);
    Bytes bytes(1 << 20);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
  }();
  static const Bytes oneValue(1 << 20, 0xA5);
  switch (which) {
    case kBitmap: return bitmap;
    case kRandom: return randomBytes;
    default: return oneValue;
  }
}

void BM_PackRle(benchmark::State& state) {
  const Bytes& data = Data(static_cast<Buffer>(state.range(0)));
  Bytes packed;
  for (auto _ : state) {
    pressling::PackRle(data, packed);
    benchmark::DoNotOptimize(packed.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
  state.counters["packed"] = static_cast<double>(packed.size());
}

void BM_Memcpy(benchmark::State& state) {
  const Bytes& data = Data(static_cast<Buffer>(state.range(0)));
  Bytes copy(data.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), data.data(), data.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

// Arguments: 0 = 160 x 160 bitmap-like, 1 = 1 MiB random, 2 = 1 MiB of one value.
BENCHMARK(BM_PackRle)->Arg(kBitmap)->Arg(kRandom)->Arg(kOneValue);
BENCHMARK(BM_Memcpy)->Arg(kBitmap)->Arg(kRandom)->Arg(kOneValue);

}  // namespace

BENCHMARK_MAIN();
