#include "database/database_rebuild.h"

#include <cassert>

#include "database/file_piece_store.h"
#include "database/piece_name.h"

namespace pressling {

namespace fs = std::filesystem;

bool EndsInPrc(std::string_view name) {
  if (name.size() < 4) return false;
  std::string ending(name.substr(name.size() - 4));
  for (char& c : ending)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ending == ".prc";
}

fs::path OutputPathFor(const std::string& inputPath) {
  assert(inputPath.size() >= 4);
  return fs::path(inputPath.substr(0, inputPath.size() - 4) + "_comp.prc");
}

OutputPlace BesideInput(const std::string& inputPath) {
  OutputPlace place{OutputPathFor(inputPath), {}};
  place.unfinishedFolder = place.outputPath.parent_path();
  if (place.unfinishedFolder.empty()) place.unfinishedFolder = ".";
  return place;
}

OutputPlace AtChosenPath(const fs::path& outputPath) {
  fs::path folder = outputPath.parent_path();
  std::error_code ec;
  while (!folder.empty() && folder != folder.root_path() && !fs::is_directory(folder, ec)) folder = folder.parent_path();
  return OutputPlace{outputPath, folder.empty() ? fs::path(".") : folder};
}

Result<void> CreateFolders(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return FileFailure("create the folder", folder, ec.value());
  return {};
}

namespace {

Error StoppedWhile(Message what) { return Error{ErrorKind::Stopped, std::move(what)}; }

// Pieces are gathered up to this many bytes before they go to the output.
constexpr std::size_t kOutputChunk = 64 * 1024;

}  // namespace

Result<RebuiltDatabase> RebuildDatabase(const std::string& inputPath, const PrcHeader& header,
                                        std::vector<ResourceEntry>& entries, const fs::path& workFolder,
                                        std::span<const std::uint64_t> pieceLengths, const OutputPlace& place,
                                        const EventPass& eventPass) {
  auto store = FilePieceStore::Open(workFolder, workFolder);
  if (!store) return store.error();
  return RebuildDatabase(inputPath, header, entries, *store, pieceLengths, place, eventPass);
}

Result<RebuiltDatabase> RebuildDatabase(const std::string& inputPath, const PrcHeader& header,
                                        std::vector<ResourceEntry>& entries, PieceStore& store,
                                        std::span<const std::uint64_t> pieceLengths, const OutputPlace& place,
                                        const EventPass& eventPass) {
  assert(!entries.empty());
  const std::size_t n = entries.size() - 1;
  assert(pieceLengths.size() == n);

  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t next = static_cast<std::uint64_t>(EntryOffset(entries[i])) + pieceLengths[i];
    if (next >= kMaxDatabaseSize)
      return Error{ErrorKind::TooLarge, Msg("resource %s would end at offset %s, beyond what 24-bit offsets describe",
                                            {std::to_string(i), std::to_string(next)})};
    SetEntryOffset(entries[i + 1], static_cast<std::int32_t>(next));
    if (!PassEvents(eventPass)) return StoppedWhile(Msg("stopped while measuring the pieces of %s", {inputPath}));
  }

  RebuiltDatabase result;
  result.outputPath = place.outputPath;
  // The temporary name adds 8 bytes to the output's; a cut keeps it inside the
  // 255 bytes of a file name whenever the output's name fits.
  const std::string stem = result.outputPath.filename().string().substr(0, 200);
  auto output = OutputFile::CreateUnique(place.unfinishedFolder, "." + stem + ".");
  if (!output) return output.error();

  if (auto r = WriteDatabaseHead(*output, header, std::span(entries).first(n), eventPass); !r) return r.error();

  std::vector<std::uint8_t> chunk;
  for (std::size_t i = 0; i < n; ++i) {
    const std::string name = PieceFileName(static_cast<int>(i), entries[i]);
    // The offsets were computed from these lengths.
    if (auto r = store.AppendTo(name, pieceLengths[i], chunk); !r) return r.error();
    if (chunk.size() >= kOutputChunk || i + 1 == n) {
      if (auto r = output->Append(chunk); !r) return r.error();
      chunk.clear();
    }
    if (auto r = store.Remove(name); !r) return r.error();
    if (!PassEvents(eventPass)) return StoppedWhile(Msg("stopped while writing %s", {output->path().string()}));
  }

  const std::uint64_t length = output->length();
  assert(length < kMaxDatabaseSize);
  result.resultSize = static_cast<std::int32_t>(length);
  result.temporaryPath = output->path();
  result.file = std::move(*output);
  return result;
}

}  // namespace pressling
