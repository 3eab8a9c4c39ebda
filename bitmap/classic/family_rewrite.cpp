#include "bitmap/classic/family_rewrite.h"

#include "bitmap/format/big_endian.h"
#include "bitmap/format/bitmap_headers.h"
#include "bitmap/format/family_walk.h"
#include "bitmap/codecs/pack_rle.h"
#include "language/language.h"
#include "workfolder/file_io.h"

namespace pressling {

namespace {

constexpr std::size_t kMaxSizeWord = 65535;
const std::string kScratchName = "~bmp";

// Why a bitmap is not packed: its code and its English text.
struct NotPacked {
  std::string_view code;
  const char* text = nullptr;
};

// Why a bitmap is not packed; no text when it may be. A colour table, and the
// direct-colour block of version 2, sit between the header and the pixels and
// must stay uncompressed, so such bitmaps are kept.
NotPacked WhyNotPacked(const FamilyBitmap& bitmap, std::span<const std::uint8_t> header) {
  if (bitmap.version == 1) return {"version-1", TextId("version 1")};
  if (bitmap.dataLength == 0) return {"no-pixels", TextId("no pixel data")};
  const std::uint8_t flagsHigh = header[6];
  if (flagsHigh & kFlagCompressed) return {"already-compressed", TextId("already compressed")};
  if (flagsHigh & kFlagColorTable) return {"colour-table", TextId("colour table")};
  if (bitmap.version == 2 && (flagsHigh & kFlagDirectColor))
    return {"v2-direct-colour", TextId("version 2 with direct colour")};
  return {};
}

// Version 2 keeps the encoder's layout: the size word holds the length of the
// whole rewritten bitmap, header included.
bool CompressV2(std::span<const std::uint8_t> header, std::span<const std::uint8_t> data,
                std::vector<std::uint8_t>& packed, std::vector<std::uint8_t>& out) {
  PackRle(data, packed);
  const std::size_t n = packed.size();
  if (n >= data.size() || BitmapHeaderV2::kLength + n > kMaxSizeWord) return false;
  WriteU16Be(packed, 0, static_cast<std::uint16_t>(BitmapHeaderV2::kLength + n));

  BitmapHeaderV2 h = ReadBitmapHeaderV2(header.first<BitmapHeaderV2::kLength>());
  h.flags |= std::uint16_t{kFlagCompressed} << 8;
  h.compressionType = kCompressionRle;
  if (h.nextDepthOffset != 0) h.nextDepthOffset = static_cast<std::uint16_t>((BitmapHeaderV2::kLength + n) / 4);
  std::uint8_t bytes[BitmapHeaderV2::kLength];
  WriteBitmapHeader(h, bytes);
  out.insert(out.end(), bytes, bytes + sizeof bytes);
  out.insert(out.end(), packed.begin(), packed.end());
  return true;
}

// Version 3 readers expect a 4-byte size word: it holds 4 plus the length of
// the run pairs, and the pairs are followed by zero fill to a multiple of 4.
bool CompressV3(std::span<const std::uint8_t> header, std::span<const std::uint8_t> data,
                std::vector<std::uint8_t>& packed, std::vector<std::uint8_t>& out) {
  PackRle(data, packed);
  // A count is never 0, so a zero count byte in the last two bytes is the fill.
  const bool filled = packed[packed.size() - 2] == 0;
  const std::size_t pairBytes = packed.size() - 2 - (filled ? 2 : 0);
  const std::size_t sizeWord = 4 + pairBytes;
  const std::size_t formLength = (sizeWord + 3) / 4 * 4;
  if (formLength >= data.size()) return false;

  BitmapHeaderV3 h = ReadBitmapHeaderV3(header.first<BitmapHeaderV3::kLength>());
  h.flags |= std::uint16_t{kFlagCompressed} << 8;
  h.compressionType = kCompressionRle;
  // formLength < dataLength < distance < 2^31: the sum fits.
  if (h.nextBitmapOffset != 0) h.nextBitmapOffset = static_cast<std::uint32_t>(BitmapHeaderV3::kLength + formLength);
  std::uint8_t bytes[BitmapHeaderV3::kLength];
  WriteBitmapHeader(h, bytes);
  out.insert(out.end(), bytes, bytes + sizeof bytes);
  std::uint8_t word[4];
  WriteU32Be(word, 0, static_cast<std::uint32_t>(sizeWord));
  out.insert(out.end(), word, word + 4);
  out.insert(out.end(), packed.begin() + 2, packed.begin() + 2 + static_cast<std::ptrdiff_t>(pairBytes));
  out.resize(out.size() + (formLength - sizeWord), 0);
  return true;
}

}  // namespace

Result<std::vector<std::uint8_t>> RewriteBitmapFamily(std::span<const std::uint8_t> piece, const EventPass& eventPass,
                                                      std::vector<BitmapRecord>* records) {
  auto walk = WalkBitmapFamily(piece, EventPass{});
  if (!walk) return walk.error();
  if (!walk->supported())
    return Error{ErrorKind::Corrupt, Msg("the bitmap family cannot be rewritten: %s", {walk->fault})};

  std::vector<std::uint8_t> out;
  out.reserve(piece.size());
  std::vector<std::uint8_t> packed;
  for (std::size_t index = 0; index < walk->bitmaps.size(); ++index) {
    const FamilyBitmap& bitmap = walk->bitmaps[index];
    auto header = piece.subspan(bitmap.position, bitmap.headerLength);
    auto data = piece.subspan(bitmap.position + bitmap.headerLength, bitmap.dataLength);
    const std::size_t outputOffset = out.size();
    NotPacked notPacked = WhyNotPacked(bitmap, header);
    if (!notPacked.text) {
      const bool packs =
          bitmap.version == 2 ? CompressV2(header, data, packed, out) : CompressV3(header, data, packed, out);
      if (!packs) notPacked = {"no-gain", TextId("run-length form not shorter")};
    }
    if (notPacked.text) {
      out.insert(out.end(), header.begin(), header.end());
      out.insert(out.end(), data.begin(), data.end());
    }
    if (records) {
      BitmapRecord& record = records->emplace_back(DescribeBitmap(
          piece.subspan(bitmap.position, bitmap.headerLength + bitmap.dataLength), index, bitmap.position, outputOffset));
      if (notPacked.text) {
        record.leftAlone = notPacked.text;
        record.leftAloneCode = notPacked.code;
      } else {
        record.after = BitmapForm{BitmapCompression::Rle, static_cast<std::uint32_t>(out.size() - outputOffset)};
      }
    }
    if (!PassEvents(eventPass)) {
      return Error{ErrorKind::Stopped, Msg("stopped while rewriting bitmap %s of the family", {std::to_string(index)})};
    }
  }
  return out;
}

void RecordRefusedFamily(std::span<const std::uint8_t> piece, std::vector<BitmapRecord>& records) {
  // Without an event pass the walk cannot fail; it only finds the fault.
  auto walk = WalkBitmapFamily(piece, EventPass{});
  std::vector<std::pair<std::size_t, std::size_t>> reached;
  for (const FamilyBitmap& b : walk->bitmaps) reached.emplace_back(b.position, b.headerLength + b.dataLength);
  RecordFamilyLeftAsItWas(piece, reached, walk->fault, records);
}

Result<void> ReplacePieceFile(const FolderHandle& pieceFolder, const std::string& pieceName,
                              const FolderHandle& scratchFolder, std::span<const std::uint8_t> bytes) {
  if (pieceName == kScratchName && pieceFolder.SameFolderAs(scratchFolder)) {
    return Error{ErrorKind::FileOperation, Msg("cannot use %s as scratch file: it is the piece itself",
                                               {scratchFolder.PathOf(kScratchName).string()})};
  }
  auto scratch = OutputFile::CreateAt(scratchFolder, kScratchName);
  if (!scratch) return scratch.error();
  if (auto r = scratch->Append(bytes); !r) return r;
  if (auto r = scratch->Commit(); !r) return r;
  if (auto r = scratchFolder.Rename(kScratchName, pieceFolder, pieceName); !r) {
    (void)scratchFolder.Remove(kScratchName);
    return r;
  }
  return {};
}

Result<void> CompressBitmapFamily(const std::filesystem::path& pieceFilePath,
                                  const std::filesystem::path& scratchDirectory, const EventPass& eventPass) {
  auto piece = ReadWholeFile(pieceFilePath);
  if (!piece) return piece.error();
  auto rewritten = RewriteBitmapFamily(*piece, eventPass);
  if (!rewritten) return Within(pieceFilePath.string(), rewritten.error());
  if (*rewritten == *piece) return {};

  std::filesystem::path pieceFolderPath = pieceFilePath.parent_path();
  if (pieceFolderPath.empty()) pieceFolderPath = ".";
  auto pieceFolder = FolderHandle::Open(pieceFolderPath);
  if (!pieceFolder) return pieceFolder.error();
  auto scratchFolder = FolderHandle::Open(scratchDirectory);
  if (!scratchFolder) {
    return Error{ErrorKind::FileOperation, Msg("cannot create %s: %s", {(scratchDirectory / kScratchName).string(),
                                                                         scratchFolder.error().text})};
  }
  return ReplacePieceFile(*pieceFolder, pieceFilePath.filename().string(), *scratchFolder, *rewritten);
}

}  // namespace pressling
