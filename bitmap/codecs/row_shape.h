#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "workfolder/result.h"

namespace pressling {

// The pixel rows a bitmap codec works on: height rows of rowBytes bytes,
// row 0 first.
struct RowShape {
  std::size_t rowBytes = 0;
  std::size_t height = 0;

  std::size_t total() const { return rowBytes * height; }
};

// What every strict decoder of a bitmap codec returns: the number of stream
// bytes it used to fill exactly shape.total() bytes of pixels. A stream that
// ends early, or breaks a rule of the codec, is an error that says where.
using DecodeResult = Result<std::size_t>;

inline Error StreamFault(const char* codec, std::size_t at, const Message& fault) {
  return Error{ErrorKind::Corrupt, Msg("%s data byte %s: %s", {std::string(codec), std::to_string(at), fault})};
}

}  // namespace pressling
