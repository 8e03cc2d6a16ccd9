#include "core/FolderSave.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <utility>

#include "core/Errors.h"
#include "core/SaveFile.h"

namespace core {

namespace {

[[noreturn]] void Fail(int error, const std::string& path) {
  throw IoError(IoMessage(error), path);
}

bool Replaceable(const struct stat& info) {
  return S_ISREG(info.st_mode);
}

[[noreturn]] void Unreplaceable(const struct stat& info, const std::string& path) {
  if (S_ISDIR(info.st_mode)) throw IoError("同じ名前のフォルダがあるので書けません", path);
  // Written through, a link planted in a shared folder would aim the write at any file;
  // replaced, a link of the user's own would be lost without their say.
  if (S_ISLNK(info.st_mode)) {
    throw IoError(
        "シンボリックリンクなので、リンクの先にも書かず、リンクも置き換えません。"
        "リンクを消すか、別のフォルダに書いてください",
        path);
  }
  throw IoError("通常のファイルではないので書き込めません", path);
}

// A file system that has no exchange of names says so with one of these.
bool Unsupported(int error) {
  return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

}  // namespace

FolderSave::FolderSave(const std::string& folder, Swap swap) : m_folder(folder), m_swap(swap) {
  if (folder.empty()) Fail(ENOENT, folder);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  m_dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (m_dir < 0) {
    if (errno == ENOTDIR) throw IoError("フォルダではありません", folder);
    if (ec && errno == ENOENT)
      throw IoError("フォルダを作れません（" + ec.message() + "）", folder);
    Fail(errno, folder);
  }
  if (::faccessat(m_dir, ".", W_OK | X_OK, AT_EACCESS) != 0) {
    const int error = errno;
    ::close(m_dir);
    Fail(error, folder);
  }
}

FolderSave::~FolderSave() {
  for (const Item& item : m_items) {
    if (item.state == State::Written && !item.temp.empty()) ::unlinkat(m_dir, item.temp.c_str(), 0);
  }
  ::close(m_dir);
}

std::string FolderSave::PathOf(const std::string& name) const {
  return m_folder.ends_with('/') ? m_folder + name : m_folder + '/' + name;
}

FolderSave::Entry FolderSave::Check(const std::string& name) const {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
    throw IoError("ファイル名に使えない名前です", PathOf(name));
  }
  struct stat info {};
  if (::fstatat(m_dir, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return {};
    Fail(errno, PathOf(name));
  }
  if (!Replaceable(info)) Unreplaceable(info, PathOf(name));
  return {true, FileId{info.st_dev, info.st_ino}};
}

// A name of our own beside `name`, made as an empty file so that no one else takes it.
std::string FolderSave::FreshName(const std::string& name, int& fd) const {
  static std::mt19937 generator(std::random_device{}());
  constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string fresh = "." + name + ".";
    for (int i = 0; i < 6; ++i)
      fresh += kLetters[generator() % (sizeof kLetters - 1)];
    fd = ::openat(m_dir, fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) return fresh;
    if (errno != EEXIST) Fail(errno, PathOf(name));
  }
  Fail(EEXIST, PathOf(name));
}

void FolderSave::Add(const std::string& name, std::string_view bytes) {
  Add(name, [bytes](const std::function<void(std::string_view)>& write) { write(bytes); });
}

void FolderSave::Add(const std::string& name, const ByteProducer& produce) {
  const Entry entry = Check(name);
  struct stat old {};
  const bool keep = entry.exists &&
                    ::fstatat(m_dir, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISREG(old.st_mode);
  int fd = -1;
  Item item;
  item.name = name;
  item.temp = FreshName(name, fd);
  m_items.push_back(item);  // from here on, the destructor removes the temporary
  struct Closer {
    int& fd;
    ~Closer() {
      if (fd >= 0) ::close(fd);
    }
  } closer{fd};
  const std::string path = PathOf(name);

  // A replaced file keeps its permissions (and, for root, its owner); a new one gets what
  // the user's umask gives any new file.
  mode_t mode = 0;
  if (keep) {
    mode = old.st_mode & 07777;
    if (::geteuid() == 0 && ::fchown(fd, old.st_uid, old.st_gid) != 0) Fail(errno, path);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd, mode) != 0) Fail(errno, path);
  WriteProduced(fd, produce, path);
  if (::fsync(fd) != 0) Fail(errno, path);
  struct stat written {};
  if (::fstat(fd, &written) != 0) Fail(errno, path);
  m_items.back().id = FileId{written.st_dev, written.st_ino};
  if (::close(std::exchange(fd, -1)) != 0) Fail(errno, path);
}

void FolderSave::Place(Item& item) {
  const std::string path = PathOf(item.name);
  struct stat now {};
  if (::fstatat(m_dir, item.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) Fail(errno, path);
    // A name that appeared since must not be taken over unseen.
    if (::renameat2(m_dir, item.temp.c_str(), m_dir, item.name.c_str(), RENAME_NOREPLACE) != 0) {
      if (!Unsupported(errno)) Fail(errno, path);
      if (::renameat(m_dir, item.temp.c_str(), m_dir, item.name.c_str()) != 0) Fail(errno, path);
    }
    item.existed = false;
    item.temp.clear();
    item.state = State::Placed;
    return;
  }
  if (!Replaceable(now)) Unreplaceable(now, path);
  item.existed = true;
  if (m_swap == Swap::Exchange) {
    if (::renameat2(m_dir, item.temp.c_str(), m_dir, item.name.c_str(), RENAME_EXCHANGE) == 0) {
      item.exchanged = true;
      item.state = State::Placed;
      // What came back must be what was looked at, not a folder put there meanwhile.
      struct stat back {};
      if (::fstatat(m_dir, item.temp.c_str(), &back, AT_SYMLINK_NOFOLLOW) == 0 &&
          !Replaceable(back)) {
        PutBack(item);
        Unreplaceable(back, path);
      }
      return;
    }
    if (!Unsupported(errno)) Fail(errno, path);
    m_swap = Swap::Rename;  // nor will it for the next name
  }
  int fd = -1;
  std::string aside = FreshName(item.name, fd);
  ::close(fd);
  if (::renameat(m_dir, item.name.c_str(), m_dir, aside.c_str()) != 0) {
    const int error = errno;
    ::unlinkat(m_dir, aside.c_str(), 0);
    Fail(error, path);
  }
  if (::renameat(m_dir, item.temp.c_str(), m_dir, item.name.c_str()) != 0) {
    const int error = errno;
    ::renameat(m_dir, aside.c_str(), m_dir, item.name.c_str());
    Fail(error, path);
  }
  item.aside = std::move(aside);
  item.temp.clear();
  item.state = State::Placed;
}

void FolderSave::PutBack(Item& item) noexcept {
  if (item.exchanged) {
    // The temporary's name holds the old entry: swapped back, it holds the new file.
    if (::renameat2(m_dir, item.temp.c_str(), m_dir, item.name.c_str(), RENAME_EXCHANGE) == 0) {
      item.exchanged = false;
      item.state = State::Written;  // the destructor removes it
    }
    return;
  }
  if (!item.aside.empty()) {
    if (::renameat(m_dir, item.aside.c_str(), m_dir, item.name.c_str()) == 0) item.aside.clear();
    return;
  }
  struct stat now {};
  if (::fstatat(m_dir, item.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
      FileId{now.st_dev, now.st_ino} == item.id) {
    ::unlinkat(m_dir, item.name.c_str(), 0);
  }
}

void FolderSave::Commit() {
  for (size_t i = 0; i < m_items.size(); ++i) {
    try {
      Place(m_items[i]);
    } catch (const IoError& error) {
      std::string kept;  // old files that could not be put back, and where they are
      for (size_t j = i; j-- > 0;) {
        Item& item = m_items[j];
        PutBack(item);
        if (item.exchanged) kept += "\n" + PathOf(item.temp);
        if (!item.aside.empty()) kept += "\n" + PathOf(item.aside);
      }
      if (kept.empty()) throw;
      throw IoError(
          std::string(error.what()) +
              "。書き換えたファイルを元に戻せませんでした。元のファイルは次の名前で残っています:" +
              kept,
          error.Path());
    }
  }
  // Every file is in place: the old ones go.
  for (Item& item : m_items) {
    if (item.exchanged) ::unlinkat(m_dir, item.temp.c_str(), 0);
    if (!item.aside.empty()) ::unlinkat(m_dir, item.aside.c_str(), 0);
  }
  ::fsync(m_dir);
}

}  // namespace core
