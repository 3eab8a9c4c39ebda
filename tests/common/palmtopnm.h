#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace pressling::test {

// netpbm's palmtopnm, an independent reader of Palm bitmaps, found on PATH.
std::optional<std::filesystem::path> FindPalmtopnm();

// An image palmtopnm wrote, as 8-bit red, green and blue per pixel, row 0 first.
struct PnmImage {
  std::size_t width = 0;
  std::size_t height = 0;
  std::vector<std::uint8_t> rgb;

  bool operator==(const PnmImage&) const = default;
};

// What palmtopnm makes of one rendition (counted from 1, markers not counted)
// of the bitmap family in file; nothing when it fails or writes no raw PNM.
std::optional<PnmImage> RunPalmtopnm(const std::filesystem::path& program, const std::filesystem::path& file,
                                     int rendition = 1);

// The colour palmtopnm names as transparent in a one-bitmap file (its
// -transparent option), or nothing when it names none.
std::optional<std::array<std::uint8_t, 3>> PalmtopnmTransparentColour(const std::filesystem::path& program,
                                                                      const std::filesystem::path& file);

}  // namespace pressling::test
