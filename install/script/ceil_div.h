// a / b rounded up, for a >= 0 and b > 0: used to count pieces.
#pragma once
#include <cstdint>

inline int32_t CeilDiv(int32_t a, int32_t b)
{
    return a / b + (a % b != 0 ? 1 : 0);
}
