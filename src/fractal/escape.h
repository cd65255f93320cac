#pragma once
// The escape-time iteration for one point, and the fold of its count into the colour cycle.

// Smallest k in 2..limit whose orbit value z(k) (z1 = c, z(k+1) = z(k)^2 + c) has a
// squared modulus above 4, or limit + 1 when none has; 2 for a limit of 1 or less.
int EscapeCount(double re, double im, int limit);

// value % modulus for values above the modulus; values up to it (inclusive) unchanged.
int WrapModulo(int value, int modulus);

// Every render of the system uses this iteration limit.
inline constexpr int kIterationLimit = 150;
// The colour cycle the counts are folded into.
inline constexpr int kColourCycle = 250;
