// Comparison of byte strings without regard to the case of ASCII letters.
//
// Both strings are read as unsigned bytes up to their NUL; the letters a-z
// are folded to A-Z before comparing (so '_' and '[' sort after every
// letter), and no other byte is folded. The answer is the difference of the
// first pair of folded bytes that differ, 0 when there is none. A null
// string compares as the empty one.
#pragma once

#include <cstdint>

int32_t vsStr_caseCompare(const char* a, const char* b);
// The same over at most n bytes; 0 when n is 0 or negative.
int32_t vsStr_caseCompareN(const char* a, const char* b, int32_t n);
