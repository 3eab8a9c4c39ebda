#include "bitmap/pack_rle.h"

#include <algorithm>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pressling {

namespace {

constexpr std::size_t kMaxRun = 128;
// Pairs are gathered in a small local buffer and appended to packed in blocks,
// which keeps the per-pair work free of capacity checks.
constexpr std::size_t kBlock = 4096;
constexpr std::size_t kMaxStep = 32;  // most bytes one step of the loop adds

}  // namespace

void PackRle(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& packed) {
  const std::size_t n = data.size();
  const std::uint8_t* d = data.data();
  packed.clear();
  packed.reserve(2 * n + 4);
  packed.push_back(0);
  packed.push_back(0);

  std::uint8_t block[kBlock + kMaxStep];
  std::size_t used = 0;
  std::size_t i = 0;  // start of the current run
  while (i < n) {
    if (used >= kBlock) {
      packed.insert(packed.end(), block, block + used);
      used = 0;
    }
#if defined(__SSE2__)
    if (n - i > 16) {
      // Bytes that differ from their right neighbour are runs of one: write
      // sixteen (1, value) pairs and keep as many as there are such bytes in a row.
      const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
      const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + 1));
      const unsigned equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, next)));
      if ((equal & 1) == 0) {
        const unsigned singles = equal != 0 ? static_cast<unsigned>(__builtin_ctz(equal)) : 16;
        const __m128i ones = _mm_set1_epi8(1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(block + used), _mm_unpacklo_epi8(ones, here));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(block + used + 16), _mm_unpackhi_epi8(ones, here));
        used += 2 * singles;
        i += singles;
        continue;
      }
    }
#endif
    const std::uint8_t value = d[i];
    const std::size_t limit = std::min(kMaxRun, n - i);
    std::size_t count = 1;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(static_cast<char>(value));
    while (count < limit && n - i - count >= 16) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + count));
      const unsigned differ = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, wanted))) & 0xFFFFu;
      if (differ != 0) {
        count += static_cast<unsigned>(__builtin_ctz(differ));
        break;
      }
      count += 16;
    }
    count = std::min(count, limit);
#endif
    while (count < limit && d[i + count] == value) ++count;
    block[used] = static_cast<std::uint8_t>(count);
    block[used + 1] = value;
    used += 2;
    i += count;
  }
  packed.insert(packed.end(), block, block + used);
  if (packed.size() % 4 != 0) {
    packed.push_back(0);
    packed.push_back(0);
  }
}

}  // namespace pressling
