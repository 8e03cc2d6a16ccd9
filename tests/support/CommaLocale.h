#pragma once
// A C library locale whose decimal point is a comma, for the tests that show numbers are read
// and written alike whatever locale the user's desktop runs in. Pure C++: the core suites
// use it as well as the window suites.

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include <unistd.h>

#include <gtest/gtest.h>

namespace testsupport {

/// Puts the whole C library (LC_ALL) under a comma-decimal locale for its lifetime, as the
/// window toolkit does at start on a German or French desktop, and back to the locale it
/// found at the end. A machine without such a locale gets de_DE.UTF-8 compiled by
/// localedef into a folder of the tests' own, read through glibc's LOCPATH (no root, no
/// change to the system). When that fails too, Ok() is false and Why() says so; the test
/// then skips with that message, never silently.
class CommaLocale {
 public:
  CommaLocale() {
    const char* found = std::setlocale(LC_ALL, nullptr);
    m_previous = found ? found : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
      if (Use(name, std::nullopt)) return;
    }
    const std::filesystem::path folder =
        std::filesystem::path(testing::TempDir()) / "tarvo-locales";
    if (!std::filesystem::exists(folder / "de_DE.UTF-8" / "LC_NUMERIC")) Generate(folder);
    if (Use("de_DE.UTF-8", folder)) return;
    m_why =
        "no comma-decimal locale: de_DE.UTF-8 is not installed and localedef could not make it "
        "(install the Debian package locales, or run scripts/setup-debian.sh as root)";
  }
  ~CommaLocale() { std::setlocale(LC_ALL, m_previous.c_str()); }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

  bool Ok() const { return m_why.empty(); }
  const std::string& Why() const { return m_why; }
  /// The locale in use, for failure messages.
  const std::string& Name() const { return m_name; }

  /// The C locale, for the run the comma locale's is compared with.
  void UseC() const { std::setlocale(LC_ALL, "C"); }
  /// The comma locale again after UseC().
  void UseComma() const { UseQuietly(); }

 private:
  // Whether the locale is there and really writes 1.5 as "1,5".
  bool Use(const char* name, const std::optional<std::filesystem::path>& folder) {
    m_name = name;
    m_folder = folder;
    if (!UseQuietly()) {
      std::setlocale(LC_ALL, m_previous.c_str());
      return false;
    }
    return true;
  }
  bool UseQuietly() const {
    // glibc looks at LOCPATH when a locale is loaded; once loaded it stays.
    const char* before = std::getenv("LOCPATH");
    const std::string kept = before ? before : "";
    if (m_folder) setenv("LOCPATH", m_folder->c_str(), 1);
    const char* set = std::setlocale(LC_ALL, m_name.c_str());
    if (m_folder) {
      if (before) {
        setenv("LOCPATH", kept.c_str(), 1);
      } else {
        unsetenv("LOCPATH");
      }
    }
    if (set == nullptr) return false;
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    return std::string(text) == "1,5";
  }
  // Compiled beside the other processes of the suite, which may be doing the same: each
  // makes its own copy and the first rename wins.
  static void Generate(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::filesystem::path mine =
        folder / ("de_DE.UTF-8.part" + std::to_string(static_cast<long>(getpid())));
    const std::string command =
        "localedef -c -i de_DE -f UTF-8 '" + mine.string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1) return;
    if (std::filesystem::exists(mine / "LC_NUMERIC")) {
      std::filesystem::rename(mine, folder / "de_DE.UTF-8", ec);
    }
    std::filesystem::remove_all(mine, ec);
  }

  std::string m_previous;
  std::string m_name;
  std::optional<std::filesystem::path> m_folder;
  std::string m_why;
};

}  // namespace testsupport
