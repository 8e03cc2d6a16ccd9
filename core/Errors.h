#pragma once

#include <stdexcept>
#include <string>

namespace core {

/// A text that should hold a number does not. what() is the message the user sees,
/// for example "'12a' は整数ではありません", always valid UTF-8.
/// Line() is the 1-based line of the file where it happened, 0 when not known.
class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(const std::string& message, int line = 0)
      : std::runtime_error(message), m_line(line) {}
  int Line() const { return m_line; }

 private:
  int m_line;
};

/// A file could not be opened, read or written. what() is the user-visible message
/// (for example "ファイルが見つかりません"); Path() names the file.
class IoError : public std::runtime_error {
 public:
  IoError(const std::string& message, std::string path)
      : std::runtime_error(message), m_path(std::move(path)) {}
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

/// The user-visible message for a failed open or read, from an errno value.
std::string IoMessage(int errnoValue);

}  // namespace core
