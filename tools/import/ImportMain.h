#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "core/TableImport.h"

namespace tableimport {

/// What the command line asked for.
struct ImportArgs {
  core::ImportOptions options;
  std::string table;   ///< a path, or "-" for standard input
  std::string output;  ///< -o; empty: standard output
  std::string outDir;  ///< --out-dir, with --split-by
};

/// Parses the command line (without the program name). Raises std::invalid_argument with
/// the message for the user on a usage error.
ImportArgs ParseImportArgs(const std::vector<std::string>& args);

/// The whole command: 0 when every row was written (duplicates written once count as
/// written), 1 when rows were rejected, 2 for a usage error, a table that cannot be read
/// or used, or an output that cannot be written (message on `err`). The distribution data
/// goes to `out` when neither -o nor --out-dir is given; row reports and the summary go to
/// `err`.
int ImportMain(const std::vector<std::string>& args, std::FILE* standardInput, std::ostream& out,
               std::ostream& err);

/// The usage text.
std::string ImportUsage();

}  // namespace tableimport
