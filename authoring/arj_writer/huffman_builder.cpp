#include "authoring/arj_writer/huffman_builder.h"

#include <algorithm>

const int MAX_SYMBOLS = 512;

// Huffman's code lengths for ascending frequencies, computed in place
// (Moffat and Katajainen): on return a[i] is the length of the i-th
// symbol, m >= 2.
static void HuffmanLengthsInPlace(uint32_t* a, int m)
{
    // Phase 1: inner nodes' weights, each inner node pointing to its parent.
    a[0] += a[1];
    int root = 0;
    int leaf = 2;
    for (int next = 1; next < m - 1; ++next) {
        if (leaf >= m || a[root] < a[leaf]) {
            a[next] = a[root];
            a[root++] = (uint32_t)next;
        } else {
            a[next] = a[leaf++];
        }
        if (leaf >= m || (root < next && a[root] < a[leaf])) {
            a[next] += a[root];
            a[root++] = (uint32_t)next;
        } else {
            a[next] += a[leaf++];
        }
    }
    // Phase 2: depths of the inner nodes.
    a[m - 2] = 0;
    for (int next = m - 3; next >= 0; --next)
        a[next] = a[a[next]] + 1;
    // Phase 3: depths of the leaves.
    int available = 1;
    int used = 0;
    uint32_t depth = 0;
    root = m - 2;
    int next = m - 1;
    while (available > 0) {
        while (root >= 0 && a[root] == depth) {
            ++used;
            --root;
        }
        while (available > used) {
            a[next--] = depth;
            --available;
        }
        available = 2 * used;
        ++depth;
        used = 0;
    }
}

int BuildCodeLengths(const uint32_t* freq, int n, int maxLength, uint8_t* lengths)
{
    uint64_t order[MAX_SYMBOLS];  // frequency above, symbol below
    int m = 0;
    for (int s = 0; s < n; ++s) {
        lengths[s] = 0;
        if (freq[s] != 0)
            order[m++] = (uint64_t)freq[s] << 16 | (unsigned)s;
    }
    if (m < 2)
        return m;
    std::sort(order, order + m);
    uint32_t a[MAX_SYMBOLS];
    for (int i = 0; i < m; ++i)
        a[i] = (uint32_t)(order[i] >> 16);
    HuffmanLengthsInPlace(a, m);

    // Leaves per depth. A tree deeper than allowed is reshaped keeping its
    // Kraft sum, so the code stays complete: two leaves of the deepest level
    // become one leaf a level up, and a shallower leaf becomes the parent
    // of itself and the other of the two.
    int count[MAX_SYMBOLS] = {0};
    int deepest = 0;
    for (int i = 0; i < m; ++i) {
        ++count[a[i]];
        deepest = std::max(deepest, (int)a[i]);
    }
    for (int i = deepest; i > maxLength; --i) {
        while (count[i] > 0) {
            int j = i - 2;
            while (count[j] == 0)
                --j;
            count[i] -= 2;
            count[i - 1] += 1;
            count[j + 1] += 2;
            count[j] -= 1;
        }
    }
    // The least frequent symbols take the longest codes.
    int i = 0;
    for (int length = std::min(deepest, maxLength); length >= 1; --length) {
        for (int k = 0; k < count[length]; ++k)
            lengths[order[i++] & 0xFFFF] = (uint8_t)length;
    }
    return m;
}

void MakeCanonicalCodes(const uint8_t* lengths, int n, uint16_t* codes)
{
    int count[17] = {0};
    for (int s = 0; s < n; ++s)
        ++count[lengths[s]];
    count[0] = 0;
    uint16_t next[17];
    unsigned code = 0;
    for (int length = 1; length <= 16; ++length) {
        code = (code + (unsigned)count[length - 1]) << 1;
        next[length] = (uint16_t)code;
    }
    for (int s = 0; s < n; ++s)
        codes[s] = lengths[s] != 0 ? next[lengths[s]]++ : 0;
}
