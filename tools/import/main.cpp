#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "tools/import/ImportMain.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::ios::sync_with_stdio(false);
  // The bundled map is found from where the program itself lies, whatever the shell's path.
  std::error_code ec;
  tableimport::ImportPlace place;
  place.programPath = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  return tableimport::ImportMain(args, stdin, std::cout, std::cerr, place);
}
