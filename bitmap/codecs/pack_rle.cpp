#include "bitmap/codecs/pack_rle.h"

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pressling {

namespace {

constexpr std::size_t kMaxRun = 128;

// Pairs are gathered in a small local block and appended to packed in bulk,
// which keeps the per-pair work free of capacity checks. One step of the loop
// below writes at most 64 pairs plus one 32-byte store past them.
constexpr std::size_t kBlock = 4096;
constexpr std::size_t kSlack = 256;

class PairWriter {
 public:
  explicit PairWriter(std::vector<std::uint8_t>& packed) : packed_(packed) {}

  void FlushIfFull() {
    if (used_ >= kBlock) Flush();
  }
  void Flush() {
    packed_.insert(packed_.end(), block_, block_ + used_);
    used_ = 0;
  }
  // Writes count equal bytes of value as pairs of at most 128.
  void Run(std::size_t count, std::uint8_t value) {
    while (count > kMaxRun) {
      FlushIfFull();
      Pair(kMaxRun, value);
      count -= kMaxRun;
    }
    Pair(count, value);
  }
#if defined(__SSE2__)
  // Writes (1, byte) for each of the count bytes at from; reads and stores
  // whole multiples of 16 beyond count, which the caller and kSlack allow.
  void Singles(const std::uint8_t* from, std::size_t count) {
    const __m128i ones = _mm_set1_epi8(1);
    for (std::size_t q = 0; q < count; q += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + q));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(block_ + used_ + 2 * q), _mm_unpacklo_epi8(ones, bytes));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(block_ + used_ + 2 * q + 16), _mm_unpackhi_epi8(ones, bytes));
    }
    used_ += 2 * count;
  }
#endif

 private:
  void Pair(std::size_t count, std::uint8_t value) {
    block_[used_] = static_cast<std::uint8_t>(count);
    block_[used_ + 1] = value;
    used_ += 2;
  }

  std::vector<std::uint8_t>& packed_;
  std::uint8_t block_[kBlock + kSlack];
  std::size_t used_ = 0;
};

#if defined(__SSE2__)
// True when the 64 bytes at p all equal value.
bool AllEqual64(const std::uint8_t* p, std::uint8_t value) {
  const __m128i wanted = _mm_set1_epi8(static_cast<char>(value));
  const __m128i* at = reinterpret_cast<const __m128i*>(p);
  const __m128i e01 = _mm_and_si128(_mm_cmpeq_epi8(_mm_loadu_si128(at), wanted),
                                    _mm_cmpeq_epi8(_mm_loadu_si128(at + 1), wanted));
  const __m128i e23 = _mm_and_si128(_mm_cmpeq_epi8(_mm_loadu_si128(at + 2), wanted),
                                    _mm_cmpeq_epi8(_mm_loadu_si128(at + 3), wanted));
  return _mm_movemask_epi8(_mm_and_si128(e01, e23)) == 0xFFFF;
}

// Bit k set when p[k] differs from p[k - 1], for k = 0 ... 63: where runs start.
std::uint64_t RunStarts64(const std::uint8_t* p) {
  std::uint64_t same = 0;
  for (int g = 0; g < 4; ++g) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * g));
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * g - 1));
    same |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, before)))} << (16 * g);
  }
  return ~same;
}
#endif

}  // namespace

void PackRle(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& packed) {
  const std::size_t n = data.size();
  const std::uint8_t* d = data.data();
  packed.clear();
  packed.reserve(2 * n + 4);
  packed.push_back(0);
  packed.push_back(0);
  PairWriter out(packed);

  // d[open .. next) is one run of equal bytes not written yet.
  std::size_t open = 0;
  std::size_t next = 1;
  auto endRunAt = [&](std::size_t j) {
    out.Run(j - open, d[open]);
    open = j;
  };

#if defined(__SSE2__)
  // 64 bytes per step, found as a mask of run starts; 16 more bytes must
  // follow for the whole-vector reads of Singles.
  bool quiet = true;  // the last step found no run start
  while (n >= 80 && next <= n - 80) {
    out.FlushIfFull();
    if (quiet && AllEqual64(d + next, d[open])) {
      next += 64;
      continue;
    }
    std::uint64_t starts = RunStarts64(d + next);
    quiet = starts == 0;
    if (starts == ~std::uint64_t{0}) {
      // Every byte differs from the one before: 63 runs of one, and the last
      // byte opens a run that may go on.
      endRunAt(next);
      out.Singles(d + next, 63);
      open = next + 63;
      next += 64;
      continue;
    }
    while (starts != 0) {
      const unsigned k = static_cast<unsigned>(__builtin_ctzll(starts));
      endRunAt(next + k);
      // Starts in a row from k: all but the last of them are runs of one.
      // starts is not all ones here, so the shifted complement has a set bit.
      const unsigned inRow = static_cast<unsigned>(__builtin_ctzll(~(starts >> k)));
      if (inRow > 1) {
        out.Singles(d + next + k, inRow - 1);
        open = next + k + inRow - 1;
      }
      starts &= ~((std::uint64_t{2} << (k + inRow - 1)) - 1);
    }
    next += 64;
  }
#endif
  for (; next < n; ++next) {
    if (d[next] != d[next - 1]) {
      out.FlushIfFull();
      endRunAt(next);
    }
  }
  if (n != 0) endRunAt(n);
  out.Flush();
  if (packed.size() % 4 != 0) {
    packed.push_back(0);
    packed.push_back(0);
  }
}

}  // namespace pressling
