#pragma once
// The command-line tools run through their entry points, as the tool tests call them.

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tools/check/RecordCheck.h"
#include "tools/import/ImportMain.h"

namespace testsupport {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

inline ToolRun Import(const std::vector<std::string>& args, std::FILE* in = stdin) {
  std::ostringstream out, err;
  const int status = tableimport::ImportMain(args, in, out, err);
  return {status, out.str(), err.str()};
}

inline ToolRun Check(const std::vector<std::string>& args, std::FILE* in = stdin) {
  std::ostringstream out, err;
  const int status = check::CheckMain(args, in, out, err);
  return {status, out.str(), err.str()};
}

/// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

}  // namespace testsupport
