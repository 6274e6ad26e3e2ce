/* Test-only preload: malloc of exactly TUNDRIX_TEST_FAIL_MALLOC_SIZE bytes
 * returns null, every other size goes to the C library. It lets a test see
 * what the real program does when one particular allocation fails. */
#include <stdlib.h>

extern void* __libc_malloc(size_t size);

void* malloc(size_t size) {
  static long fail_size = -2;
  if (fail_size == -2) {
    const char* s = getenv("TUNDRIX_TEST_FAIL_MALLOC_SIZE");
    fail_size = s ? atol(s) : -1;
  }
  if ((long)size == fail_size) return NULL;
  return __libc_malloc(size);
}
