#include "database/file_piece_store.h"

#include "bitmap/classic/family_rewrite.h"
#include "workfolder/file_io.h"

namespace pressling {

Result<FilePieceStore> FilePieceStore::Open(const std::filesystem::path& workFolder,
                                            const std::filesystem::path& scratchFolder) {
  auto work = FolderHandle::Open(workFolder);
  if (!work) return work.error();
  auto scratch = FolderHandle::Open(scratchFolder);
  if (!scratch) return scratch.error();
  return FilePieceStore(std::move(*work), std::move(*scratch));
}

Result<void> FilePieceStore::Put(const std::string& name, std::span<const std::uint8_t> bytes) {
  auto piece = OutputFile::CreateAt(work_, name);
  if (!piece) return piece.error();
  if (auto r = piece->Append(bytes); !r) return r;
  return piece->Commit();
}

Result<void> FilePieceStore::Replace(const std::string& name, std::span<const std::uint8_t> bytes) {
  return ReplacePieceFile(work_, name, scratch_, bytes);
}

Result<void> FilePieceStore::AppendTo(const std::string& name, std::uint64_t length, std::vector<std::uint8_t>& bytes) {
  return AppendFileOfLength(work_, name, length, bytes);
}

Result<void> FilePieceStore::Remove(const std::string& name) { return work_.Remove(name); }

}  // namespace pressling
