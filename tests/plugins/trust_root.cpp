// trust_root.exe: makes a test certificate authority a trusted root of the Wine prefix it runs
// in (and nowhere else), so that the end-to-end tests can serve https with certificates of
// their own. Exit code 0 when the certificate is in the store.
//
//   trust_root.exe CA.der
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: trust_root.exe CA.der\n");
    return 2;
  }
  std::FILE *file = std::fopen(argv[1], "rb");
  if (file == nullptr) {
    std::fprintf(stderr, "trust_root: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<BYTE> der;
  BYTE block[4096];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof block, file)) > 0)
    der.insert(der.end(), block, block + n);
  std::fclose(file);
  if (der.empty() || !CertAddEncodedCertificateToSystemStoreA("ROOT", der.data(),
                                                              static_cast<DWORD>(der.size()))) {
    std::fprintf(stderr, "trust_root: not added (error %lu)\n", GetLastError());
    return 1;
  }
  return 0;
}
