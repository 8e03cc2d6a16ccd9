#pragma once
// Small helpers the suites share: files as bytes, paths as QString, readable failures.

#include <QString>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/Files.h"

/// Failures show a QString's text rather than its bytes.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace testsupport {

inline QString Q(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

/// A one-island map (135-137 E, 34-36 N) cut by a boundary at 136 E, with both profiles:
/// quick to draw, with land and sea to tell apart.
inline constexpr char kIslandMap[] =
    "*H-MAP\r\n135,34\r\n137,34\r\n137,36\r\n135,36\r\n135,34\r\n0,0\r\n"
    "*G-MAP\r\n136,34\r\n136,36\r\n0,0\r\n"
    "*WE-PROF\r\n135,0\r\n136,500\r\n137,0\r\n0,0\r\n"
    "*SN-PROF\r\n34,0\r\n35,500\r\n36,0\r\n0,0\r\n";

/// A writable program folder of the tests' own, so that no settings file is looked for or
/// made anywhere else.
inline QString ProgramDir() {
  const auto dir = std::filesystem::path(testing::TempDir()) / "tarvo-bin";
  std::filesystem::create_directories(dir);
  return Q(dir);
}

}  // namespace testsupport
