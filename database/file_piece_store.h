#pragma once

#include "database/piece_store.h"
#include "workfolder/folder_handle.h"

namespace pressling {

// One file per piece in the work folder; a piece is replaced through the
// scratch file "~bmp" in the scratch folder, so that it is never half written.
class FilePieceStore final : public PieceStore {
 public:
  static Result<FilePieceStore> Open(const std::filesystem::path& workFolder,
                                     const std::filesystem::path& scratchFolder);

  Result<void> Put(const std::string& name, std::span<const std::uint8_t> bytes) override;
  Result<void> Replace(const std::string& name, std::span<const std::uint8_t> bytes) override;
  Result<void> AppendTo(const std::string& name, std::uint64_t length, std::vector<std::uint8_t>& bytes) override;
  Result<void> Remove(const std::string& name) override;
  std::filesystem::path PathOf(const std::string& name) const override { return work_.PathOf(name); }

 private:
  FilePieceStore(FolderHandle work, FolderHandle scratch) : work_(std::move(work)), scratch_(std::move(scratch)) {}
  FolderHandle work_;
  FolderHandle scratch_;
};

}  // namespace pressling
