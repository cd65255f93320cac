#include "fractal/escape.h"

int EscapeCount(double re, double im, int limit) {
  if (limit <= 1) return 2;
  double x = re;
  double y = im;
  int n = 1;
  for (;;) {
    const double nx = (x * x - y * y) + re;
    const double ny = 2.0 * (x * y) + im;
    if (nx * nx + ny * ny > 4.0) return n + 1;
    x = nx;
    y = ny;
    ++n;
    if (n >= limit) return n + 1;
  }
}

int WrapModulo(int value, int modulus) {
  if (modulus <= 0 || value <= modulus) return value;
  return value % modulus;
}
