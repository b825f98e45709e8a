// Serves a folder on 127.0.0.1 and a free port until its standard input closes: the example
// update site of the demo and the download benchmark.
//   update_site_server FOLDER PORT_FILE
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "update_site.h"

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: update_site_server FOLDER PORT_FILE\n");
    return 2;
  }
  kestrane::site::UpdateSite site(argv[1]);
  if (!site.Running()) {
    std::fprintf(stderr, "update_site_server: cannot listen on 127.0.0.1\n");
    return 1;
  }
  std::ofstream(argv[2]) << site.Port() << "\n";
  std::string line;
  while (std::getline(std::cin, line)) {
  }
  return 0;
}
