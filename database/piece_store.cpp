#include "database/piece_store.h"

#include "database/file_piece_store.h"
#include "database/memory_piece_store.h"

namespace pressling {

Result<std::unique_ptr<PieceStore>> OpenPieceStore(PieceStorage storage, const std::filesystem::path& workFolder,
                                                   const std::filesystem::path& scratchFolder) {
  if (storage == PieceStorage::Memory) return std::unique_ptr<PieceStore>(new MemoryPieceStore(workFolder));
  auto files = FilePieceStore::Open(workFolder, scratchFolder);
  if (!files) return files.error();
  return std::unique_ptr<PieceStore>(new FilePieceStore(std::move(*files)));
}

}  // namespace pressling
