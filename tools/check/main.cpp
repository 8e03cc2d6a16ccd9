#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "tools/check/RecordCheck.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::ios::sync_with_stdio(false);
  return check::CheckMain(args, stdin, std::cout, std::cerr);
}
