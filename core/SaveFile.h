#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace core {

/// Makes a file's bytes in pieces: calls the function it is given with each piece, in
/// order, so that a file of any size is written without being held whole.
using ByteProducer = std::function<void(const std::function<void(std::string_view)>& write)>;

/// Writes the bytes to the file named by `path` (its bytes, as the system spells it) so
/// that a failure never damages what was there:
/// - a regular file, or a new one, is replaced atomically: the bytes go to a temporary
///   file beside it, which takes its place only once complete, with the old file's
///   permissions;
/// - a symbolic link is followed, and the file it points to is replaced as above, so the
///   link keeps its place;
/// - a FIFO or a character device (a pipe, /dev/stdout) is written directly;
/// - anything else (a folder, a socket, a block device) is refused.
/// Raises IoError with the system's reason (no space left, permission denied, read-only
/// file system, …) and the path.
void SaveFileAtomically(const std::string& path, std::string_view bytes);
/// The same for bytes made in pieces; what `produce` raises passes on, and the old file
/// stays as it was.
void SaveFileAtomically(const std::string& path, const ByteProducer& produce);

/// Writes what a producer makes to the open descriptor `fd` in pieces of 64 KiB; raises
/// IoError with `path` as WriteAll does.
void WriteProduced(int fd, const ByteProducer& produce, const std::string& path);

/// Writes all of `bytes` to the open descriptor `fd`, going on after interruptions; raises
/// IoError with the system's reason and `path` when the system refuses.
void WriteAll(int fd, std::string_view bytes, const std::string& path);

/// True when both paths name the same existing file (the same device and inode), however
/// they are spelled: through links, with "..", or relative and absolute.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace core
