#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "tools/import/ImportMain.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::ios::sync_with_stdio(false);
  return tableimport::ImportMain(args, stdin, std::cout, std::cerr);
}
