#include "database/memory_piece_store.h"

namespace pressling {

Error MemoryPieceStore::Missing(const std::string& name, const char* what) const {
  return Error{ErrorKind::FileOperation, "cannot " + std::string(what) + " " + PathOf(name).string() + ": no such piece"};
}

Result<void> MemoryPieceStore::Put(const std::string& name, std::span<const std::uint8_t> bytes) {
  pieces_[name].assign(bytes.begin(), bytes.end());
  return {};
}

Result<void> MemoryPieceStore::Replace(const std::string& name, std::span<const std::uint8_t> bytes) {
  auto piece = pieces_.find(name);
  if (piece == pieces_.end()) return Missing(name, "replace");
  piece->second.assign(bytes.begin(), bytes.end());
  return {};
}

Result<void> MemoryPieceStore::AppendTo(const std::string& name, std::uint64_t length,
                                        std::vector<std::uint8_t>& bytes) {
  auto piece = pieces_.find(name);
  if (piece == pieces_.end()) return Missing(name, "read");
  if (piece->second.size() != length) {
    return Error{ErrorKind::FileOperation, "cannot read " + PathOf(name).string() + ": it is no longer " +
                                               std::to_string(length) + " bytes long"};
  }
  // Through pointers, which copy as one block where iterators may copy byte by byte.
  bytes.insert(bytes.end(), piece->second.data(), piece->second.data() + piece->second.size());
  return {};
}

Result<void> MemoryPieceStore::Remove(const std::string& name) {
  if (pieces_.erase(name) == 0) return Missing(name, "remove");
  return {};
}

}  // namespace pressling
