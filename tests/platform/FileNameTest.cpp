#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/text/FileName.h"

namespace platform {
namespace {

TEST(FileName, BytesThatAreNotUtf8SurviveTheRoundTrip) {
  const struct {
    std::string bytes;
    QString shown;  ///< what a user sees of the name; escapes stand for bytes
  } cases[] = {
      {"plain.grd", QStringLiteral("plain.grd")},
      {"ブナ.grd", QStringLiteral("ブナ.grd")},
      {"\xF0\x9F\x8C\xB2.grd", QStringLiteral("\U0001F332.grd")},
      // "ブナ" in Shift-JIS, from an old Windows disk: each byte kept as an escape.
      {"\x83\x75\x83\x69.grd",
       QString(QChar(0xDC83)) + QStringLiteral("u") + QChar(0xDC83) + QStringLiteral("i.grd")},
      // Half a UTF-8 character, and bytes that look like an escape's own UTF-8.
      {"\xE3\x81.png", QString(QChar(0xDCE3)) + QChar(0xDC81) + QStringLiteral(".png")},
      {"\xED\xB2\x80", QString(QChar(0xDCED)) + QChar(0xDCB2) + QChar(0xDC80)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileNameFromBytes(c.bytes), c.shown) << c.bytes;
    EXPECT_EQ(FileNameBytes(FileNameFromBytes(c.bytes)), c.bytes) << c.bytes;
  }
}

TEST(FileName, ExistsFindsFilesByTheirBytes) {
  const auto dir = std::filesystem::path(testing::TempDir()) / "file-name-test";
  std::filesystem::create_directories(dir);
  const std::string name = (dir / "\x83\x75\x83\x69.grd").string();
  std::ofstream(name) << "x";
  EXPECT_TRUE(FileExists(FileNameFromBytes(name)));
  EXPECT_FALSE(FileExists(QString::fromLocal8Bit(name)));  // the lossy reading misses it
  EXPECT_FALSE(FileExists(QString()));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace platform
