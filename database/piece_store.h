#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "workfolder/result.h"

namespace pressling {

// Where a run keeps the pieces it cuts from a database until the rebuild puts
// them together again. Pieces are named by PieceFileName.
class PieceStore {
 public:
  virtual ~PieceStore() = default;

  // Keeps bytes as the new piece name.
  virtual Result<void> Put(const std::string& name, std::span<const std::uint8_t> bytes) = 0;
  // Replaces the piece name by bytes; on any failure it stays as it was.
  virtual Result<void> Replace(const std::string& name, std::span<const std::uint8_t> bytes) = 0;
  // Appends the piece name to bytes; an error unless it holds exactly length bytes.
  virtual Result<void> AppendTo(const std::string& name, std::uint64_t length, std::vector<std::uint8_t>& bytes) = 0;
  virtual Result<void> Remove(const std::string& name) = 0;
  // Where the piece name is, for messages.
  virtual std::filesystem::path PathOf(const std::string& name) const = 0;
};

// Where a run keeps its pieces.
enum class PieceStorage {
  Files,   // one file per piece in the run's work folder
  Memory,  // in the run's memory: for the page, whose file system is emulated in JavaScript
};

// The store of the kind chosen for a run whose work folder is workFolder and
// whose scratch files go to scratchFolder.
Result<std::unique_ptr<PieceStore>> OpenPieceStore(PieceStorage storage, const std::filesystem::path& workFolder,
                                                   const std::filesystem::path& scratchFolder);

}  // namespace pressling
