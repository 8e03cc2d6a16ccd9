#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "core/Table.h"
#include "core/TableFile.h"
#include "core/TableImport.h"
#include "core/TextCodec.h"

namespace core {
namespace {

namespace fs = std::filesystem;

// Hands the bytes over a few at a time, so that every boundary between pieces falls
// somewhere awkward: inside CR LF, a doubled quote, a multi-byte character, the BOM.
class Trickle : public ByteSource {
 public:
  Trickle(std::string_view bytes, size_t step) : m_bytes(bytes), m_step(step) {}
  size_t Read(char* buffer, size_t size) override {
    const size_t n = std::min({size, m_step, m_bytes.size()});
    std::copy_n(m_bytes.data(), n, buffer);
    m_bytes.remove_prefix(n);
    return n;
  }

 private:
  std::string_view m_bytes;
  size_t m_step;
};

// Endless bytes, counting how many were asked for: a device such as /dev/zero.
class Endless : public ByteSource {
 public:
  explicit Endless(char c) : m_c(c) {}
  size_t Read(char* buffer, size_t size) override {
    std::fill_n(buffer, size, m_c);
    m_given += size;
    return size;
  }
  size_t Given() const { return m_given; }

 private:
  char m_c;
  size_t m_given = 0;
};

struct Read {
  std::vector<TableRow> rows;
  TableEncoding encoding;
};

Read ReadAll(TableReader& reader) {
  Read read;
  for (TableRow row; reader.Next(row);)
    read.rows.push_back(row);
  read.encoding = reader.Encoding();
  return read;
}

std::string Describe(const std::vector<TableRow>& rows) {
  std::string out;
  for (const TableRow& row : rows) {
    out += std::to_string(row.line) + ":";
    for (size_t i = 0; i < row.fields.size(); ++i) {
      const bool bad =
          std::find(row.undecodable.begin(), row.undecodable.end(), i) != row.undecodable.end();
      out += (i ? "|" : "") + row.fields[i] + (bad ? "(!)" : "");
    }
    out += row.error.empty() ? "" : "E:" + row.error.substr(0, 12);
    out += "\n";
  }
  return out;
}

TEST(TableReaderPieces, RowsAreTheSameHoweverTheBytesArrive) {
  const std::string sjis = *Utf8ToCp932("学名,緯度\r\n\"ブナ\r\n林\",35\r\nハイマツ,36\r\n");
  const std::string cases[] = {
      "a,b,c\r\n\"x, y\",\"say \"\"hi\"\"\",\"two\r\nlines\"\n,,\r1,,3",
      "\xEF\xBB\xBF和名,x\r\nブナ,\"\"\"1\"\"\"\r\n",
      "a\tb\n\"q\t2,3\r\n\r\nz\t\n",
      sjis,
      "a,b\n1,\"open\n2,3\n",
      "a,b\n" + std::string(TableReader::kMaxRowBytes + 3, 'x') + "\r\nok,1\r\n",
  };
  for (const std::string& bytes : cases) {
    TableReader whole(bytes);
    const Read expected = ReadAll(whole);
    for (const size_t step : {1u, 2u, 3u, 7u}) {
      Trickle trickle(bytes, step);
      TableReader reader(trickle);
      const Read got = ReadAll(reader);
      EXPECT_EQ(Describe(got.rows), Describe(expected.rows)) << "step " << step;
      EXPECT_EQ(got.encoding, expected.encoding);
    }
  }
}

TEST(TableReaderPieces, AnEndlessLineIsToldAfterOneRowsWorth) {
  // /dev/zero, or a sparse file of gigabytes: the first row is judged as soon as it is
  // too long, not once its end is found.
  Endless zeros('\0');
  TableReader reader(zeros);
  TableRow row;
  ASSERT_TRUE(reader.Next(row));
  EXPECT_NE(row.error.find("長すぎ"), std::string::npos);
  EXPECT_LE(zeros.Given(), 2 * TableReader::kMaxRowBytes + 2 * TableReader::kPieceBytes);

  Endless letters('x');
  TableReader named(letters);
  EXPECT_THROW(ImportTable(named, ImportOptions{}), std::invalid_argument);
  EXPECT_LE(letters.Given(), 2 * TableReader::kMaxRowBytes + 2 * TableReader::kPieceBytes);
}

TEST(TableReaderEncoding, OneStrayByteSpoilsOneFieldNotTheTable) {
  const std::string ascii(TableReader::kSniffBytes + 10, 'a');
  const struct {
    std::string bytes;
    TableEncoding encoding;
    std::string rows;  // line:field|field, (!) after a field that did not decode
  } cases[] = {
      // UTF-8 with a Latin-1 byte in one name: the other names stay UTF-8.
      {"学名,緯度\nブナ,35\nCaf\xE9,36\nハイマツ,37\n", TableEncoding::Utf8,
       "1:学名|緯度\n2:ブナ|35\n3:Caf\xEF\xBF\xBD(!)|36\n4:ハイマツ|37\n"},
      // The stray byte in a heading.
      {"学名,緯\xE5度\nブナ,35\n", TableEncoding::Utf8,
       "1:学名|緯\xEF\xBF\xBD\xE5\xBA\xA6(!)\n2:ブナ|35\n"},
      // A byte-order mark says UTF-8 whatever follows.
      {"\xEF\xBB\xBFname\n\x83u\x83i\n", TableEncoding::Utf8,
       "1:name\n2:\xEF\xBF\xBDu\xEF\xBF\xBDi(!)\n"},
      // A genuine Shift-JIS table, and one byte in it that Shift-JIS has no use for.
      {*Utf8ToCp932("学名,緯度\nブナ,35\n") + "x\xA0y,36\n", TableEncoding::ShiftJis,
       "1:学名|緯度\n2:ブナ|35\n3:x\xEF\xBF\xBDy(!)|36\n"},
      // Strays alone at the start choose Shift-JIS; UTF-8 kana and kanji later still read
      // as UTF-8, and the strays, no Shift-JIS either, are not taken as text.
      {"name\nCaf\xE9\nZo\xE9\n" + ascii + "\nブナ\n", TableEncoding::ShiftJis,
       "1:name\n2:Caf\xEF\xBF\xBD(!)\n3:Zo\xEF\xBF\xBD(!)\n4:E:行が長す\n5:ブナ\n"},
      // Text beyond ASCII only after the first megabyte: decided where it is met.
      {"name\n" + ascii + "\nブナ\n", TableEncoding::Utf8, ""},
      {"name\n" + ascii + "\n" + *Utf8ToCp932("ブナ") + "\n", TableEncoding::ShiftJis, ""},
  };
  for (const auto& c : cases) {
    TableReader reader(c.bytes);
    const Read read = ReadAll(reader);
    EXPECT_EQ(read.encoding, c.encoding) << c.rows;
    if (!c.rows.empty()) {
      EXPECT_EQ(Describe(read.rows), c.rows);
    } else {
      ASSERT_EQ(read.rows.size(), 3u);
      EXPECT_EQ(read.rows[2].fields, std::vector<std::string>{"ブナ"});
      EXPECT_TRUE(read.rows[2].undecodable.empty());
    }
  }
}

TEST(TableReaderEncoding, ShiftJisIsToldWithTheFirstTextAsRead) {
  TableReader reader(*Utf8ToCp932("name,lat\nx,1\nブナ林,35\n"));
  ReadAll(reader);
  ASSERT_EQ(reader.Notes().size(), 1u);
  EXPECT_EQ(reader.Notes()[0],
            "表を Shift-JIS として読みました（3 行目の「ブナ林」など）。文字が化けているときは、"
            "表を UTF-8 で保存し直してください");
  // Rows of a UTF-8 file added under a Shift-JIS table keep their names, and are told.
  TableReader mixed(*Utf8ToCp932("name\nブナ林\nミズナラ林\n") + "ハイマツ\n");
  const Read read = ReadAll(mixed);
  ASSERT_EQ(read.rows.size(), 4u);
  EXPECT_EQ(read.encoding, TableEncoding::ShiftJis);
  EXPECT_EQ(read.rows[3].fields, std::vector<std::string>{"ハイマツ"});
  EXPECT_NE(mixed.Notes().at(0).find("4 行目などの UTF-8 の値は UTF-8 として読みました"),
            std::string::npos)
      << mixed.Notes()[0];
  TableReader utf8("name\nブナ\n");
  ReadAll(utf8);
  EXPECT_TRUE(utf8.Notes().empty());
}

fs::path Fresh() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  const fs::path dir = fs::path(testing::TempDir()) / ("table-file-" + std::string(info->name()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

TEST(TableFile, AFileCutShortWhileReadIsAnErrorNotACrash) {
  const fs::path path = Fresh() / "t.csv";
  std::ofstream(path, std::ios::binary) << "name,lat,lon\n"
                                        << std::string(4 * TableReader::kPieceBytes, 'x') << "\n";
  TableFile file(path.string(), nullptr);
  char buffer[TableReader::kPieceBytes];
  EXPECT_EQ(file.Read(buffer, sizeof buffer), sizeof buffer);
  fs::resize_file(path, 100);
  try {
    while (file.Read(buffer, sizeof buffer) > 0) {
    }
    FAIL() << "read to the end of a file cut short";
  } catch (const IoError& error) {
    EXPECT_NE(std::string(error.what()).find("読んでいる間にファイルが短くなりました"),
              std::string::npos)
        << error.what();
    EXPECT_EQ(error.Path(), path.string());
  }
}

TEST(TableFile, KnowsWhichFileItReadsEvenThroughStandardInput) {
  const fs::path dir = Fresh();
  std::ofstream(dir / "t.csv") << "name,lat,lon\n";
  const std::optional<FileId> id = IdOfFile((dir / "t.csv").string());
  ASSERT_TRUE(id);
  EXPECT_EQ(TableFile((dir / "t.csv").string(), nullptr).Id(), id);
  std::FILE* in = std::fopen((dir / "t.csv").c_str(), "rb");
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(TableFile("-", in).Id(), id);
  std::fclose(in);
  // A pipe is no file to protect.
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  std::FILE* piped = fdopen(ends[0], "rb");
  EXPECT_FALSE(TableFile("-", piped).Id());
  std::fclose(piped);
  close(ends[1]);
  EXPECT_THROW(TableFile(dir.string(), nullptr), IoError);
}

TEST(TableFile, AnEndlessDeviceEndsAtItsCap) {
  TableFile zeros("/dev/zero", nullptr);
  std::vector<char> buffer(TableReader::kPieceBytes);
  uint64_t read = 0;
  try {
    for (size_t n; (n = zeros.Read(buffer.data(), buffer.size())) > 0;)
      read += n;
    FAIL() << "/dev/zero came to an end";
  } catch (const IoError& error) {
    EXPECT_NE(std::string(error.what()).find("表が大きすぎます"), std::string::npos);
  }
  EXPECT_LE(read, kMaxStreamedTableBytes);
}

}  // namespace
}  // namespace core
