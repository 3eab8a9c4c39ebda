#include "database/database_rebuild.h"

#include <cassert>
#include <span>

#include "database/piece_name.h"
#include "workfolder/file_io.h"

namespace pressling {

namespace fs = std::filesystem;

fs::path OutputPathFor(const std::string& inputPath) {
  assert(inputPath.size() >= 4);
  return fs::path(inputPath.substr(0, inputPath.size() - 4) + "_comp.prc");
}

namespace {

Error StoppedWhile(const std::string& what) { return Error{ErrorKind::Stopped, "stopped while " + what}; }

}  // namespace

Result<RebuiltDatabase> RebuildDatabase(const std::string& inputPath, const PrcHeader& header,
                                        std::vector<ResourceEntry>& entries, const fs::path& workFolder,
                                        const EventPass& eventPass) {
  assert(!entries.empty());
  const std::size_t n = entries.size() - 1;
  std::vector<fs::path> pieces;
  pieces.reserve(n);
  std::vector<std::uint64_t> pieceLengths;
  pieceLengths.reserve(n);

  for (std::size_t i = 0; i < n; ++i) {
    pieces.push_back(workFolder / PieceFileName(static_cast<int>(i), entries[i]));
    auto length = FileLength(pieces.back());
    if (!length) return length.error();
    pieceLengths.push_back(*length);
    const std::uint64_t next = static_cast<std::uint64_t>(EntryOffset(entries[i])) + *length;
    if (next >= kMaxDatabaseSize)
      return Error{ErrorKind::TooLarge, "resource " + std::to_string(i) + " would end at offset " +
                                            std::to_string(next) + ", beyond what 24-bit offsets describe"};
    SetEntryOffset(entries[i + 1], static_cast<std::int32_t>(next));
    if (!PassEvents(eventPass)) return StoppedWhile("measuring the pieces of " + inputPath);
  }

  RebuiltDatabase result;
  result.outputPath = OutputPathFor(inputPath);
  fs::path folder = result.outputPath.parent_path();
  if (folder.empty()) folder = ".";
  // The temporary name adds 8 bytes to the output's; a cut keeps it inside the
  // 255 bytes of a file name whenever the output's name fits.
  const std::string stem = result.outputPath.filename().string().substr(0, 200);
  auto output = OutputFile::CreateUnique(folder, "." + stem + ".");
  if (!output) return output.error();

  if (auto r = WriteDatabaseHead(*output, header, std::span(entries).first(n), eventPass); !r) return r.error();

  for (std::size_t i = 0; i < n; ++i) {
    auto bytes = ReadWholeFile(pieces[i]);
    if (!bytes) return bytes.error();
    // The offsets were computed from the lengths measured above.
    if (bytes->size() != pieceLengths[i])
      return Error{ErrorKind::FileOperation, "piece file " + pieces[i].string() + " changed its length during the run"};
    if (auto r = output->Append(*bytes); !r) return r.error();
    if (auto r = RemoveFile(pieces[i]); !r) return r.error();
    if (!PassEvents(eventPass)) return StoppedWhile("writing " + output->path().string());
  }

  const std::uint64_t length = output->length();
  assert(length < kMaxDatabaseSize);
  result.resultSize = static_cast<std::int32_t>(length);
  result.temporaryPath = output->path();
  if (auto r = output->CommitDurably(); !r) return r.error();
  return result;
}

}  // namespace pressling
