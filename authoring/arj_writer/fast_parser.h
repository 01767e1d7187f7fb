// Parser of method 4, the fastest: short hash-chain searches (distances up
// to 15,871 bytes, the reach of its codes), a second look only for short
// matches, and the codes straight to the output.
#pragma once

#include "authoring/arj_writer/bit_writer.h"
#include "authoring/arj_writer/chain_matcher.h"

struct FastParser {
    ChainMatcher matcher;
};

// Forgets all positions (the matcher's stream positions start again).
void ResetFastParser(FastParser& p);

// Codes from in.pos on, at most MAX_STEP_INPUT bytes and not beyond
// CodableEnd.
void RunFastParser(FastParser& p, InputWindow& in, BitWriter& w);
