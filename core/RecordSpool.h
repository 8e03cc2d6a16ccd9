#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/TableImport.h"

namespace core {

/// Records kept on disk, so that an import of any size holds no more than a few megabytes
/// of them: each list gathers its lines in memory and, past kListBytes or when all lists
/// together hold kHeldBytes, writes them to one temporary file as a block. The file has no
/// name (it is gone when the store is, or the program ends in any way). Altitudes are not
/// kept: Read gives kNoAltitude.
class SpooledRecordStore : public RecordStore {
 public:
  /// Makes the temporary file in `folder`. Raises IoError when it cannot.
  explicit SpooledRecordStore(const std::string& folder);
  ~SpooledRecordStore() override;
  SpooledRecordStore(const SpooledRecordStore&) = delete;
  SpooledRecordStore& operator=(const SpooledRecordStore&) = delete;

  /// Raises IoError when the temporary file cannot be written (a full disk).
  void Append(size_t list, std::string_view line, double altitude) override;
  /// Raises IoError when the temporary file cannot be read.
  void Read(size_t list,
            const std::function<void(std::string_view line, double altitude)>& each) override;

  static constexpr size_t kListBytes = 1 << 16;
  static constexpr size_t kHeldBytes = 8 << 20;

 private:
  struct Block {
    std::uint64_t offset;
    std::uint32_t size;
  };
  struct List {
    std::string held;  // lines ending in '\n' not yet written
    std::vector<Block> blocks;
  };
  void Spill(List& list);

  std::string m_folder;
  int m_fd = -1;
  std::uint64_t m_end = 0;
  size_t m_held = 0;
  std::vector<List> m_lists;
};

}  // namespace core
