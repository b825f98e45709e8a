/* libsodium's utils.c, compiled for sodium_memcmp and sodium_memzero, also holds its guarded
 * allocator, which calls these two. Kestrane never calls the allocator (the DLL's linker drops
 * it), so these only complete the link, in place of the library's random-number code and its
 * SystemFunction036 import. Should one ever run, it stops the process as libsodium's own
 * sodium_misuse does. */
#include <stddef.h>
#include <stdlib.h>

void sodium_misuse(void) { abort(); }

void randombytes_buf(void *const buf, const size_t size) {
  (void)buf;
  (void)size;
  abort();
}
