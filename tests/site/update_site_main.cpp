// Serves a folder on 127.0.0.1 and a free port until its standard input closes: the example
// update site of the demo and the benchmarks. With DELAY_MS, every answer comes that late.
//   update_site_server FOLDER PORT_FILE [DELAY_MS]
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "update_site.h"

int main(int argc, char **argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: update_site_server FOLDER PORT_FILE [DELAY_MS]\n");
    return 2;
  }
  kestrane::site::UpdateSite site(argv[1], argc == 4 ? std::atoi(argv[3]) : 0);
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
