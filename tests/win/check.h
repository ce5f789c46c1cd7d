#pragma once

// A minimal harness for the Windows core tests: no Qt and no test framework for Windows here.
// CHECK counts a failure and goes on; WINE_CANNOT names a check Wine cannot carry out, so the
// output says what was not verified instead of pretending it was.

#include <cstdio>

namespace check
{
inline int& failures()
{
    static int count = 0;
    return count;
}
inline void report(bool ok, const char* what, const char* file, int line)
{
    if (!ok) {
        ++failures();
        std::printf("FAIL: %s (%s:%d)\n", what, file, line);
    }
}
inline int finish(const char* suite)
{
    std::printf("%s: %s, %d failure(s)\n", suite, failures() ? "FAIL" : "PASS", failures());
    std::fflush(stdout);
    return failures() ? 1 : 0;
}
} // namespace check

#define CHECK(condition) check::report(static_cast<bool>(condition), #condition, __FILE__, __LINE__)
#define CHECK_EQ(actual, expected)                                                                 \
    check::report((actual) == (expected), #actual " == " #expected, __FILE__, __LINE__)
#define WINE_CANNOT(what) std::printf("NOT VERIFIED UNDER WINE: %s\n", what)
