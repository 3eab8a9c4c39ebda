#pragma once

#include <unordered_map>

#include "database/piece_store.h"

namespace pressling {

// Every piece in memory, for a run whose files would otherwise go through a
// file system emulated in JavaScript. Paths in messages name the work folder
// the pieces would be in.
class MemoryPieceStore final : public PieceStore {
 public:
  explicit MemoryPieceStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

  Result<void> Put(const std::string& name, std::span<const std::uint8_t> bytes) override;
  Result<void> Replace(const std::string& name, std::span<const std::uint8_t> bytes) override;
  Result<void> AppendTo(const std::string& name, std::uint64_t length, std::vector<std::uint8_t>& bytes) override;
  Result<void> Remove(const std::string& name) override;
  std::filesystem::path PathOf(const std::string& name) const override { return folder_ / name; }

 private:
  Error Missing(const std::string& name, const char* what) const;
  std::filesystem::path folder_;
  std::unordered_map<std::string, std::vector<std::uint8_t>> pieces_;
};

}  // namespace pressling
