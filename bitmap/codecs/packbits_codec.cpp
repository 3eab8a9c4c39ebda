#include "bitmap/codecs/packbits_codec.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <deque>

namespace pressling {

namespace {

constexpr std::size_t kMaxPacket = 128;
constexpr std::uint8_t kAmbiguousControl = 128;

bool SameUnit(const std::uint8_t* a, const std::uint8_t* b, std::size_t unitBytes) {
  return std::memcmp(a, b, unitBytes) == 0;
}

// The packets of one row of units, shortest first found by a pass from the
// row end: cost[i] is the fewest bytes that encode units i..m-1. Repeating
// the longest run is always best among repeats, since cost never grows with
// i; among literals the best length comes from a sliding minimum.
class RowPacker {
 public:
  void Pack(const std::uint8_t* row, std::size_t units, std::size_t u, std::vector<std::uint8_t>& out) {
    cost_.assign(units + 1, 0);
    take_.assign(units, 0);
    repeat_.assign(units, false);
    runFrom_.assign(units + 1, 0);
    window_.clear();
    auto f = [&](std::size_t j) { return j * u + cost_[j]; };
    for (std::size_t i = units; i-- > 0;) {
      runFrom_[i] = i + 1 < units && SameUnit(row + i * u, row + (i + 1) * u, u) ? runFrom_[i + 1] + 1 : 1;
      // Literal packets from i end at j in (i, i + 128].
      const std::size_t j = i + 1;
      while (!window_.empty() && f(window_.front()) >= f(j)) window_.pop_front();
      window_.push_front(j);
      while (window_.back() > i + kMaxPacket) window_.pop_back();
      const std::size_t end = window_.back();
      cost_[i] = 1 + f(end) - i * u;
      take_[i] = end - i;
      const std::size_t run = std::min(runFrom_[i], kMaxPacket);
      if (run >= 2 && 1 + u + cost_[i + run] <= cost_[i]) {
        cost_[i] = 1 + u + cost_[i + run];
        take_[i] = run;
        repeat_[i] = true;
      }
    }
    for (std::size_t i = 0; i < units; i += take_[i]) {
      const std::size_t n = take_[i];
      if (repeat_[i]) {
        out.push_back(static_cast<std::uint8_t>(257 - n));
        out.insert(out.end(), row + i * u, row + (i + 1) * u);
      } else {
        out.push_back(static_cast<std::uint8_t>(n - 1));
        out.insert(out.end(), row + i * u, row + (i + n) * u);
      }
    }
  }

 private:
  std::vector<std::size_t> cost_;
  std::vector<std::size_t> take_;
  std::vector<bool> repeat_;
  std::vector<std::size_t> runFrom_;
  std::deque<std::size_t> window_;  // candidate literal ends, f decreasing from front to back
};

}  // namespace

void EncodePackBits(std::span<const std::uint8_t> pixels, RowShape shape, std::size_t unitBytes,
                    std::vector<std::uint8_t>& out) {
  assert((unitBytes == 1 || unitBytes == 2) && shape.rowBytes % unitBytes == 0);
  RowPacker packer;
  for (std::size_t row = 0; row < shape.height; ++row)
    packer.Pack(pixels.data() + row * shape.rowBytes, shape.rowBytes / unitBytes, unitBytes, out);
}

DecodeResult DecodePackBits(std::span<const std::uint8_t> stream, RowShape shape, std::size_t unitBytes,
                            std::vector<std::uint8_t>& pixels) {
  if (shape.rowBytes % unitBytes != 0)
    return StreamFault("PackBits", 0,
                       Msg("rows of %s bytes are no whole 16-bit units", {std::to_string(shape.rowBytes)}));
  pixels.resize(shape.total());
  std::size_t at = 0;
  for (std::size_t row = 0; row < shape.height; ++row) {
    std::uint8_t* cur = pixels.data() + row * shape.rowBytes;
    std::size_t filled = 0;  // bytes of this row
    while (filled < shape.rowBytes) {
      if (at >= stream.size())
        return StreamFault("PackBits", at,
                           Msg("the data end in row %s of %s", {std::to_string(row), std::to_string(shape.height)}));
      const std::uint8_t control = stream[at];
      if (control == kAmbiguousControl) return StreamFault("PackBits", at, Msg("control byte 128"));
      const bool repeat = control > kAmbiguousControl;
      const std::size_t count = repeat ? 257 - std::size_t{control} : std::size_t{control} + 1;
      const std::size_t bytes = count * unitBytes;
      if (bytes > shape.rowBytes - filled)
        return StreamFault("PackBits", at, Msg("a packet of %s units crosses the end of row %s",
                                               {std::to_string(count), std::to_string(row)}));
      const std::size_t carried = repeat ? unitBytes : bytes;
      if (stream.size() - at - 1 < carried)
        return StreamFault("PackBits", at,
                           Msg("the data end in row %s of %s", {std::to_string(row), std::to_string(shape.height)}));
      const std::uint8_t* from = stream.data() + at + 1;
      if (repeat) {
        for (std::size_t k = 0; k < count; ++k) std::memcpy(cur + filled + k * unitBytes, from, unitBytes);
      } else {
        std::memcpy(cur + filled, from, bytes);
      }
      filled += bytes;
      at += 1 + carried;
    }
  }
  return at;
}

}  // namespace pressling
