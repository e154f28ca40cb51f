#pragma once
// Blowfish's initial P-array and S-boxes: the fractional part of pi in hexadecimal, 32 bits at a
// time, from P[0] = 0x243f6a88 to S[3][255] = 0x3ac372e6.

#include <cstdint>

struct BlowfishTables {
  uint32_t P[18];
  uint32_t S[4][256];
};

extern const BlowfishTables kBlowfishInitialTables;
