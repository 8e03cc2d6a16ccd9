#pragma once

#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/ImportOptions.h"

namespace tableimport {

/// What the command line asked for.
struct ImportArgs {
  core::ImportOptions options;
  std::vector<std::string> tables;  ///< paths, or "-" for standard input (once)
  std::string output;               ///< -o; empty: standard output
  std::string outDir;               ///< --out-dir, with --split-by
  std::string layer;                ///< --layer: a sheet or layer by name
  std::string crs;                  ///< --crs CODE, or EPSG:4301 for --datum tokyo
};

/// Parses the command line (without the program name). Raises std::invalid_argument with
/// the message for the user on a usage error.
ImportArgs ParseImportArgs(const std::vector<std::string>& args);

/// Where the command finds what it brings along.
struct ImportPlace {
  /// The program file, from which the bundled map is found (beside it, installed, or in the
  /// source tree of a build that is no package); empty: the source tree only.
  std::string programPath;
  /// The map whose land tells records at sea, instead of the bundled one; an empty string
  /// stands for no map at all.
  std::optional<std::string> mapFile;
};

/// The bundled Japan map as found from the program's path; empty when none is.
std::string FindBundledMap(const std::string& programPath);

/// The whole command: 0 when every row was written (duplicates written once count as
/// written), 1 when rows were not written, 2 for a usage error, a table that cannot be read
/// or used, or an output that cannot be written (message on `err`). The distribution data
/// goes to `out` when neither -o nor --out-dir is given; the columns read, row reports and
/// the summary go to `err` as the rows are read, so that memory stays bounded however long
/// the tables.
int ImportMain(const std::vector<std::string>& args, std::FILE* standardInput, std::ostream& out,
               std::ostream& err, const ImportPlace& place = {});

/// The usage text.
std::string ImportUsage();

}  // namespace tableimport
