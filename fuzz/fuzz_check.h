// The check every fuzz target uses: a failed invariant prints itself and
// aborts, which libFuzzer reports as a finding and keeps the input of.
#ifndef ZARVEK_FUZZ_FUZZ_CHECK_H_
#define ZARVEK_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                               \
  do {                                                                      \
    if (!(condition)) {                                                     \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, \
                   #condition);                                             \
      std::abort();                                                         \
    }                                                                       \
  } while (0)

#endif  // ZARVEK_FUZZ_FUZZ_CHECK_H_
