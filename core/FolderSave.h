#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/SaveFile.h"
#include "core/TableFile.h"

namespace core {

/// Writes several files into one folder as one change: either every file takes its place,
/// or none does and every file that was there stays as it was.
///
///   FolderSave save(folder);        // the folder, made when missing, must be writable
///   save.Check(name) for each name  // before anything is written
///   save.Add(name, bytes) for each  // a temporary file beside the name
///   save.Commit();                  // all temporaries take their names, or none
///
/// Names are single file names (no "/"). What is at a name is replaced when it is a
/// regular file. A symbolic link is refused, neither followed (a link planted in a shared
/// folder could aim the write at any file) nor replaced (the user's own link would be
/// lost); so are a folder, a device, a pipe or a socket. A replaced regular file's permissions
/// (and, for root, its owner) pass to the new file. Every failure raises IoError with the
/// path concerned and removes the temporaries.
class FolderSave {
 public:
  /// How an existing file makes way for its new one: Exchange swaps the two names in one
  /// step, so that the name is never missing; Rename moves the old file aside first. A file
  /// system that cannot exchange gets Rename by itself.
  enum class Swap { Exchange, Rename };

  explicit FolderSave(const std::string& folder, Swap swap = Swap::Exchange);
  ~FolderSave();
  FolderSave(const FolderSave&) = delete;
  FolderSave& operator=(const FolderSave&) = delete;

  /// What is at a name now.
  struct Entry {
    bool exists = false;
    FileId id;  ///< of the file, when it exists
  };
  /// Raises IoError when the name cannot be replaced.
  Entry Check(const std::string& name) const;
  /// Writes `bytes` to a temporary file beside `name` (checked again).
  void Add(const std::string& name, std::string_view bytes);
  /// The same for bytes made in pieces.
  void Add(const std::string& name, const ByteProducer& produce);
  /// Puts every file added in its place. When one cannot be, those already placed are put
  /// back as they were, and IoError is raised.
  void Commit();

  /// The path of `name` in the folder, for messages.
  std::string PathOf(const std::string& name) const;

 private:
  enum class State { Written, Placed };
  struct Item {
    std::string name;
    std::string temp;      // the new file until placed; then the old entry, if any
    std::string aside;     // Rename: where the old entry was moved
    bool existed = false;  // something was at the name when placed
    bool exchanged = false;
    FileId id;  // of the new file
    State state = State::Written;
  };
  void Place(Item& item);
  void PutBack(Item& item) noexcept;
  std::string FreshName(const std::string& name, int& fd) const;

  std::string m_folder;
  int m_dir = -1;
  Swap m_swap;
  std::vector<Item> m_items;
};

}  // namespace core
