#include "core/SaveFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "core/Errors.h"

namespace core {

namespace {

[[noreturn]] void Fail(int error, const std::string& path) {
  throw IoError(IoMessage(error), path);
}

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Where a symbolic link leads, followed to its end; a dangling link gives the path it
// names, so that the file is created there and the link starts to work.
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n < 0) Fail(errno, path);
    target.resize(static_cast<size_t>(n));
    path = target.starts_with('/') ? target : FolderOf(path) + '/' + target;
  }
  Fail(ELOOP, path);
}

void WriteDirectly(const std::string& path, const ByteProducer& produce) {
  Fd out{::open(path.c_str(), O_WRONLY | O_CLOEXEC)};
  if (out.fd < 0) Fail(errno, path);
  WriteProduced(out.fd, produce, path);
  if (::close(std::exchange(out.fd, -1)) != 0) Fail(errno, path);
}

void ReplaceRegularFile(const std::string& path, const ByteProducer& produce,
                        const struct stat* old) {
  const std::string folder = FolderOf(path);
  const std::string base =
      path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  std::string temp = folder + "/." + base + ".XXXXXX";
  Fd out{::mkstemp(temp.data())};
  if (out.fd < 0) Fail(errno, path);
  bool done = false;
  struct Cleanup {
    const std::string& temp;
    const bool& done;
    ~Cleanup() {
      if (!done) ::unlink(temp.c_str());
    }
  } cleanup{temp, done};

  // A replaced file keeps its permissions (and, for root, its owner); a new one gets
  // what the user's umask gives any new file.
  mode_t mode = 0;
  if (old) {
    mode = old->st_mode & 07777;
    if (::geteuid() == 0 && ::fchown(out.fd, old->st_uid, old->st_gid) != 0) Fail(errno, path);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(out.fd, mode) != 0) Fail(errno, path);
  WriteProduced(out.fd, produce, path);
  if (::fsync(out.fd) != 0) Fail(errno, path);
  if (::close(std::exchange(out.fd, -1)) != 0) Fail(errno, path);
  if (::rename(temp.c_str(), path.c_str()) != 0) Fail(errno, path);
  done = true;
}

}  // namespace

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno, path);
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

void WriteProduced(int fd, const ByteProducer& produce, const std::string& path) {
  constexpr size_t kPiece = 1 << 16;
  std::string buffer;
  buffer.reserve(kPiece);
  produce([&](std::string_view piece) {
    if (buffer.size() + piece.size() > kPiece) {
      WriteAll(fd, buffer, path);
      buffer.clear();
    }
    if (piece.size() >= kPiece) {
      WriteAll(fd, piece, path);
    } else {
      buffer.append(piece);
    }
  });
  WriteAll(fd, buffer, path);
}

void SaveFileAtomically(const std::string& path, std::string_view bytes) {
  SaveFileAtomically(path,
                     [bytes](const std::function<void(std::string_view)>& write) { write(bytes); });
}

void SaveFileAtomically(const std::string& path, const ByteProducer& bytes) {
  if (path.empty()) Fail(ENOENT, path);
  struct stat info {};
  // A pipe or device reached through a link the system resolves itself (/dev/stdout is
  // /proc/self/fd/1, whose target "pipe:[…]" names no file) is opened by the path given.
  if (::stat(path.c_str(), &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode))) {
    WriteDirectly(path, bytes);
    return;
  }
  const std::string target = FollowLinks(path);
  if (::stat(target.c_str(), &info) != 0) {
    if (errno != ENOENT) Fail(errno, path);
    ReplaceRegularFile(target, bytes, nullptr);
    return;
  }
  if (S_ISREG(info.st_mode)) {
    ReplaceRegularFile(target, bytes, &info);
  } else if (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode)) {
    WriteDirectly(target, bytes);
  } else if (S_ISDIR(info.st_mode)) {
    Fail(EISDIR, path);
  } else {
    throw IoError("通常のファイルではないので書き込めません", path);
  }
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace core
