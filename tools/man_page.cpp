// Writes quotalume(1) for the build: man_page VERSION MONTH OUT
#include <cstdio>
#include <fstream>
#include <iostream>

#include "app/man_page.hpp"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: man_page VERSION MONTH OUT\n";
    return 2;
  }
  std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
  out << manPage(argv[1], argv[2]);
  out.close();
  if (!out) {
    std::cerr << "man_page: could not write " << argv[3] << "\n";
    std::remove(argv[3]);
    return 1;
  }
  return 0;
}
