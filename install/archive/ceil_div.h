// Integer division rounded up, for counting pieces of a transfer.
#pragma once

// a / b rounded up (the quotient plus 1 when there is a remainder); a >= 0, b > 0.
inline int CeilDiv(int a, int b)
{
    return a / b + (a % b != 0 ? 1 : 0);
}
