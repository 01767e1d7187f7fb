#include "install/archive/crc32.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#include <wmmintrin.h>
#define CRC_CARRYLESS 1
// 32-bit Windows keeps the stack only 4-byte aligned, and 128-bit values
// may be spilled there: those functions realign it.
#ifdef __i386__
#define CARRYLESS_FUNCTION __attribute__((target("sse2,pclmul"), force_align_arg_pointer))
#else
#define CARRYLESS_FUNCTION __attribute__((target("sse2,pclmul")))
#endif
#endif

uint32_t runningCrc = 0xFFFFFFFFu;

// crcTable[0] is the classic byte table; crcTable[k][i] is the register
// after byte i followed by k zero bytes, so sixteen bytes can be folded in
// at once (slicing by sixteen).
static uint32_t crcTable[16][256];
static bool crcTableBuilt = false;

static uint32_t Load32(const uint8_t* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static uint32_t UpdateBytes(uint32_t crc, const uint8_t* p, size_t n)
{
    while (n >= 16) {
        uint32_t a = crc ^ Load32(p);
        uint32_t b = Load32(p + 4);
        uint32_t c = Load32(p + 8);
        uint32_t d = Load32(p + 12);
        crc = crcTable[15][a & 0xFF] ^ crcTable[14][(a >> 8) & 0xFF] ^
              crcTable[13][(a >> 16) & 0xFF] ^ crcTable[12][a >> 24] ^
              crcTable[11][b & 0xFF] ^ crcTable[10][(b >> 8) & 0xFF] ^
              crcTable[9][(b >> 16) & 0xFF] ^ crcTable[8][b >> 24] ^
              crcTable[7][c & 0xFF] ^ crcTable[6][(c >> 8) & 0xFF] ^
              crcTable[5][(c >> 16) & 0xFF] ^ crcTable[4][c >> 24] ^
              crcTable[3][d & 0xFF] ^ crcTable[2][(d >> 8) & 0xFF] ^
              crcTable[1][(d >> 16) & 0xFF] ^ crcTable[0][d >> 24];
        p += 16;
        n -= 16;
    }
    while (n-- > 0)
        crc = crcTable[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc;
}

#ifdef CRC_CARRYLESS
// Long buffers on processors with carry-less multiplication: four 128-bit
// lanes are folded forward over the data, one multiplication per 64-bit
// half, then into one lane whose 16 bytes finish through the tables.
//
// Folding a 128-bit piece D bits forward: its first (reflected: higher)
// half L and second half H stand for L(x)*x^(D+64) + H(x)*x^D. Both are
// replaced by their products with x^(D+32) mod P and x^(D-32) mod P, each
// held as a 33-bit reflected value whose bit 32 - e is the term x^e; the
// extra x^32 of that form puts the 64 x 33-bit product in place.
static __m128i foldBy4;  // D = 512: lanes four pieces apart
static __m128i foldBy1;  // D = 128: the next piece
static bool carrylessUsable = false;
static bool carrylessAllowed = true;
const size_t CARRYLESS_MINIMUM = 256;  // shorter buffers: the tables

static uint64_t ReflectedPowerOfX(int n)
{
    uint64_t r = 1;  // x^0, plain bit order, degree below 32 after reduction
    for (int i = 0; i < n; ++i) {
        r <<= 1;
        if (r & 0x100000000ull)
            r ^= 0x104C11DB7ull;
    }
    uint64_t k = 0;
    for (int e = 0; e < 32; ++e) {
        if (r & ((uint64_t)1 << e))
            k |= (uint64_t)1 << (32 - e);
    }
    return k;
}

// One fold: x moved forward by the distance of k, plus the piece there.
__attribute__((target("sse2,pclmul"), always_inline))
static inline __m128i Fold(__m128i x, __m128i k, __m128i next)
{
    __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
    __m128i hi = _mm_clmulepi64_si128(x, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}

CARRYLESS_FUNCTION static void PrepareCarryless()
{
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_PCLMUL) || !(d & bit_SSE2))
        return;
    foldBy4 = _mm_set_epi64x((long long)ReflectedPowerOfX(480), (long long)ReflectedPowerOfX(544));
    foldBy1 = _mm_set_epi64x((long long)ReflectedPowerOfX(96), (long long)ReflectedPowerOfX(160));
    carrylessUsable = true;
}

// n >= 64. The register enters as the first four bytes' complement mask:
// a CRC with preset c over M equals one with preset 0 over M with c XORed
// into its first 32 bits.
CARRYLESS_FUNCTION static uint32_t UpdateCarryless(uint32_t crc, const uint8_t* p, size_t n)
{
    const __m128i* q = reinterpret_cast<const __m128i*>(p);
    __m128i x0 = _mm_xor_si128(_mm_loadu_si128(q), _mm_cvtsi32_si128((int)crc));
    __m128i x1 = _mm_loadu_si128(q + 1);
    __m128i x2 = _mm_loadu_si128(q + 2);
    __m128i x3 = _mm_loadu_si128(q + 3);
    q += 4;
    n -= 64;
    while (n >= 64) {
        x0 = Fold(x0, foldBy4, _mm_loadu_si128(q));
        x1 = Fold(x1, foldBy4, _mm_loadu_si128(q + 1));
        x2 = Fold(x2, foldBy4, _mm_loadu_si128(q + 2));
        x3 = Fold(x3, foldBy4, _mm_loadu_si128(q + 3));
        q += 4;
        n -= 64;
    }
    __m128i x = Fold(Fold(Fold(x0, foldBy1, x1), foldBy1, x2), foldBy1, x3);
    while (n >= 16) {
        x = Fold(x, foldBy1, _mm_loadu_si128(q));
        ++q;
        n -= 16;
    }
    uint8_t last[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(last), x);
    crc = UpdateBytes(0, last, 16);
    return UpdateBytes(crc, reinterpret_cast<const uint8_t*>(q), n);
}
#endif

void BuildCrcTable()
{
    if (crcTableBuilt)
        return;
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i;
        for (int k = 0; k < 8; ++k)
            r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
        crcTable[0][i] = r;
    }
    for (uint32_t i = 0; i < 256; ++i) {
        for (int k = 1; k < 16; ++k)
            crcTable[k][i] = crcTable[0][crcTable[k - 1][i] & 0xFF] ^ (crcTable[k - 1][i] >> 8);
    }
#ifdef CRC_CARRYLESS
    PrepareCarryless();
#endif
    crcTableBuilt = true;
}

static uint32_t Update(uint32_t crc, const uint8_t* p, size_t n)
{
    if (!crcTableBuilt)
        BuildCrcTable();
#ifdef CRC_CARRYLESS
    if (carrylessUsable && carrylessAllowed && n >= CARRYLESS_MINIMUM)
        return UpdateCarryless(crc, p, n);
#endif
    return UpdateBytes(crc, p, n);
}

void AllowCarrylessCrc(bool allowed)
{
#ifdef CRC_CARRYLESS
    carrylessAllowed = allowed;
#else
    (void)allowed;
#endif
}

void UpdateCrc(const void* bytes, size_t count)
{
    runningCrc = Update(runningCrc, static_cast<const uint8_t*>(bytes), count);
}

uint32_t Crc32Of(const void* bytes, size_t count)
{
    return ~Update(0xFFFFFFFFu, static_cast<const uint8_t*>(bytes), count);
}

uint32_t ContinueCrc32(uint32_t crcRegister, const void* bytes, size_t count)
{
    return Update(crcRegister, static_cast<const uint8_t*>(bytes), count);
}
