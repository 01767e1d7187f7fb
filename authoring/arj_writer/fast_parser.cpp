#include "authoring/arj_writer/fast_parser.h"

#include "authoring/arj_writer/fast_writer.h"
#include "authoring/arj_writer/lazy_matching.h"

// Short searches, and a second look only for short matches.
static const LazySettings FAST_SETTINGS = {4, 32, 8, FAST_MAX_DISTANCE, FAST_MAX_DISTANCE};

void ResetFastParser(FastParser& p)
{
    ResetChainMatcher(p.matcher);
}

namespace {

// Holds the bit writer in a local of the parser's loop.
struct FastSink {
    BitWriter w;
    void Literal(uint8_t c) { PutFastLiteral(w, c); }
    void Match(int length, int distance) { PutFastMatch(w, length, distance); }
};

}  // namespace

void RunFastParser(FastParser& p, InputWindow& in, BitWriter& w)
{
    int stop = CodableEnd(in);
    if (stop - in.pos > MAX_STEP_INPUT)
        stop = in.pos + MAX_STEP_INPUT;
    FastSink sink{w};
    MatchLazily<false>(p.matcher, in, stop, FAST_SETTINGS, nullptr, nullptr, sink);
    w = sink.w;
}
