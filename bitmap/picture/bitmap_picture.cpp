#include "bitmap/picture/bitmap_picture.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "bitmap/format/big_endian.h"
#include "bitmap/codecs/bitmap_decoder.h"
#include "bitmap/format/bitmap_layout.h"
#include "bitmap/picture/bitmap_record.h"
#include "bitmap/picture/palm_system_palette.h"

namespace pressling {

namespace {

constexpr std::size_t kWidthOffset = 0;
constexpr std::size_t kPixelFormatOffsetV3 = 11;

Error Fault(const Message& fault) { return Error{ErrorKind::Corrupt, Msg("the bitmap cannot be shown: %s", {fault})}; }

// The 0xRRGGBB colour of every pixel value of an indexed bitmap: Palm's grey
// levels, 0 white, below 8 bits, the system palette at 8; the entries of the
// bitmap's own colour table replace them. Some old tools write tables of 0
// entries, so values the table lacks keep the standard colour.
std::array<std::uint32_t, 256> IndexColours(const BitmapLayout& layout, std::span<const std::uint8_t> bitmap,
                                            unsigned bits) {
  std::array<std::uint32_t, 256> colours = kPalmSystemPalette;
  if (bits < 8) {
    const unsigned darkest = (1u << bits) - 1;
    for (unsigned i = 0; i <= darkest; ++i) colours[i] = (255 - i * 255 / darkest) * 0x010101u;
  }
  if (layout.flags & kFlagWordColorTable) {
    // ReadBitmapLayout has checked that the whole table lies inside bitmap.
    const std::size_t count = std::min<std::size_t>(ReadU16Be(bitmap, layout.headerLength), colours.size());
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = layout.headerLength + 2 + 4 * i;  // index, red, green, blue; the position is the index
      colours[i] = std::uint32_t{bitmap[at + 1]} << 16 | std::uint32_t{bitmap[at + 2]} << 8 | bitmap[at + 3];
    }
  }
  return colours;
}

// RGB565 scaled so that full intensity is 255, as palmtopnm scales it.
std::uint32_t Expand565(std::uint32_t value) {
  const std::uint32_t red = (value >> 11) * 255 / 31;
  const std::uint32_t green = (value >> 5 & 0x3F) * 255 / 63;
  const std::uint32_t blue = (value & 0x1F) * 255 / 31;
  return red << 16 | green << 8 | blue;
}

}  // namespace

Result<BitmapPicture> RenderBitmapPicture(std::span<const std::uint8_t> bitmap) {
  const auto read = ReadBitmapLayout(bitmap);
  if (const auto* refusal = std::get_if<LayoutRefusal>(&read)) {
    if (refusal->detail.empty()) return Fault(Msg(LeftAloneName(refusal->reason)));
    return Fault(Msg("%s: %s", {Msg(LeftAloneName(refusal->reason)), refusal->detail}));
  }
  const BitmapLayout& layout = std::get<BitmapLayout>(read);
  if (layout.version > 3) return Fault(Msg("unknown header version %s", {std::to_string(layout.version)}));
  // Versions 0 and 1 write 0 for the one bit per pixel of black and white.
  const unsigned bits = layout.pixelSize == 0 && layout.version < 2 ? 1u : layout.pixelSize;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16)
    return Fault(Msg("pixel size %s is not one of 1, 2, 4, 8 and 16", {std::to_string(bits)}));
  if (layout.version == 3 && bitmap[kPixelFormatOffsetV3] > 1)
    return Fault(
        Msg("pixel format %s (little-endian) is not supported", {std::to_string(bitmap[kPixelFormatOffsetV3])}));

  BitmapPicture picture;
  picture.width = ReadU16Be(bitmap, kWidthOffset);
  picture.height = layout.height;
  if (std::size_t{picture.width} * bits > std::size_t{layout.rowBytes} * 8)
    return Fault(Msg("%s pixels of %s bits do not fit in rows of %s bytes",
                     {std::to_string(picture.width), std::to_string(bits), std::to_string(layout.rowBytes)}));

  std::vector<std::uint8_t> rows;
  if (auto used = DecodeBitmapRows(layout, bitmap, rows, RleEnd::CutLast); !used)
    return Fault(Msg("the pixel data do not decode: %s", {used.error().text}));

  const std::array<std::uint32_t, 256> colours = bits == 16 ? std::array<std::uint32_t, 256>{}
                                                            : IndexColours(layout, bitmap, bits);
  // The header's transparent index or colour, read as the bitmap's record reads it.
  const std::optional<std::uint32_t> transparent = DescribeBitmap(bitmap, 0, 0, 0).transparent;
  const unsigned mask = (1u << bits) - 1;
  picture.rgba.resize(std::size_t{picture.width} * picture.height * 4);
  std::uint8_t* out = picture.rgba.data();
  for (std::size_t y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = rows.data() + y * layout.rowBytes;
    for (std::size_t x = 0; x < picture.width; ++x) {
      std::uint32_t value, rgb;
      if (bits == 16) {
        value = std::uint32_t{row[2 * x]} << 8 | row[2 * x + 1];
        rgb = Expand565(value);
      } else {
        // Pixels fill each byte from its high bits down.
        const std::size_t bit = x * bits;
        value = row[bit / 8] >> (8 - bits - bit % 8) & mask;
        rgb = colours[value];
      }
      out[0] = static_cast<std::uint8_t>(rgb >> 16);
      out[1] = static_cast<std::uint8_t>(rgb >> 8);
      out[2] = static_cast<std::uint8_t>(rgb);
      out[3] = transparent && value == *transparent ? 0 : 255;
      out += 4;
    }
  }
  return picture;
}

}  // namespace pressling
