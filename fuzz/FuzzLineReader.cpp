// Any bytes read as a file in small chunks must give exactly the lines the same bytes give
// in memory: chunk boundaries may fall inside a CR LF, a byte-order mark or an over-long
// line, and none of these may change a line, its number or the error (an over-long line,
// a leading UTF-16 byte-order mark). The text in memory
// is held to a plain splitting of the bytes, so that both readers cannot agree on a fault.
//
// Input: the first byte picks the chunk size (byte % 64 + 1, so 1..64 bytes). When its
// bit 6 is set, the next two bytes make a run of 'a' of kMaxLineBytes - 64 + the first of
// them, inserted at the second of them (modulo the length), so that small inputs reach the
// line-length cap; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Errors.h"
#include "core/TextFile.h"
#include "fuzz/FuzzCheck.h"

namespace {

struct Reading {
  std::vector<std::string> lines;
  std::optional<std::string> error;
  int errorLineNumber = 0;
};

Reading ReadAll(core::LineReader& reader) {
  Reading reading;
  std::string line;
  try {
    while (reader.Next(line)) {
      reading.lines.push_back(line);
      fuzz::Require(reader.LineNumber() == static_cast<int>(reading.lines.size()),
                    "LineNumber counts the lines returned");
    }
  } catch (const core::IoError& error) {
    reading.error = error.what();
    reading.errorLineNumber = reader.LineNumber();
  }
  return reading;
}

// The documented rules, spelt out as directly as possible.
Reading Split(std::string_view file) {
  Reading reading;
  if (file.starts_with("\xFF\xFE") || file.starts_with("\xFE\xFF")) {
    reading.error = "UTF-16";
    return reading;
  }
  size_t i = file.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (i < file.size()) {
    size_t end = i;
    while (end < file.size() && file[end] != '\r' && file[end] != '\n')
      ++end;
    if (end - i > core::kMaxLineBytes) {
      reading.error = "too long";
      reading.errorLineNumber = static_cast<int>(reading.lines.size());
      break;
    }
    reading.lines.emplace_back(file.substr(i, end - i));
    i = end + 1;
    if (end < file.size() && file[end] == '\r' && i < file.size() && file[i] == '\n') ++i;
  }
  return reading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const size_t chunk = data[0] % 64 + 1;
  const bool stretch = (data[0] & 0x40) != 0 && size >= 3;
  const size_t skip = stretch ? 3 : 1;
  std::string file(reinterpret_cast<const char*>(data + skip), size - skip);
  if (stretch) {
    file.insert(data[2] % (file.size() + 1), core::kMaxLineBytes - 64 + data[1], 'a');
  }

  core::LineReader text = core::LineReader::FromText(file);
  const Reading expected = ReadAll(text);
  const Reading split = Split(file);
  fuzz::Require(expected.lines == split.lines, "the text gives the lines its line ends delimit");
  fuzz::Require(
      expected.error.has_value() == split.error.has_value() &&
          expected.errorLineNumber == split.errorLineNumber,
      "the text fails at the first line over the cap or at a UTF-16 mark, and only there");

  // fmemopen refuses an empty buffer on some C libraries; an empty file is /dev/null.
  std::FILE* stream =
      file.empty() ? std::fopen("/dev/null", "rb") : fmemopen(file.data(), file.size(), "rb");
  fuzz::Require(stream != nullptr, "the input can be opened as a stream");
  core::LineReader chunked = core::LineReader::FromStream(stream, "fuzz", chunk);
  const Reading got = ReadAll(chunked);
  std::fclose(stream);

  fuzz::Require(got.lines.size() == expected.lines.size(),
                "a stream read in chunks gives as many lines as the text");
  for (size_t i = 0; i < expected.lines.size(); ++i) {
    fuzz::RequireSame(got.lines[i], expected.lines[i],
                      "a stream read in chunks gives the lines of the text");
  }
  fuzz::Require(got.error.has_value() == expected.error.has_value(),
                "a stream read in chunks fails where the text fails");
  if (expected.error) {
    fuzz::RequireSame(*got.error, *expected.error, "the same error message");
    fuzz::Require(got.errorLineNumber == expected.errorLineNumber, "the same line number");
  }
  return 0;
}
