#pragma once

#include "Extended.h"

#include <cstdint>

// The state of one orbit of the literal loop, advanced one iteration at a
// time: exactly the operations, in the order and precision, of IsInSet.
struct TOrbit {
  TExtended ZR = 0, ZI = 0, ZR2 = 0, ZI2 = 0;

  TOrbit() = default;
  // Resumes an orbit at z = (ZR, ZI); the squares are what the loop holds there.
  TOrbit(TExtended R, TExtended I) : ZR(R), ZI(I), ZR2(R * R), ZI2(I * I) {}

  // Whether the current z has escaped (|z|^2 > 4).
  bool Escaped() const { return ZR2 + ZI2 > 4; }

  // Advances z to z^2 + c; true when the new z escaped (|z|^2 > 4).
  bool Step(TExtended X, TExtended Y) {
    const TExtended T0 = ZR2 - ZI2;
    const TExtended T1 = (ZI * ZR) * 2;
    ZR = T0 + X;
    ZI = T1 + Y;
    ZR2 = ZR * ZR;
    ZI2 = ZI * ZI;
    return Escaped();
  }
};

// Brent's cycle check: the orbit is compared with a point saved at doubling
// intervals. The state z determines the rest of the orbit, so an orbit that
// comes back to the saved point to the bit is periodic and, not having
// escaped so far, never will.
struct TCycleCheck {
  TExtended SavedR = 0, SavedI = 0;
  std::int32_t NextSave = 0;

  // Whether z_N = (ZR, ZI) is the saved point; if not, z_N is saved once N
  // has reached the next save.
  bool Repeats(TExtended ZR, TExtended ZI, std::int32_t N) {
    if (ZR == SavedR && ZI == SavedI)
      return true;
    if (N >= NextSave) {
      SavedR = ZR;
      SavedI = ZI;
      NextSave = 2 * N;
    }
    return false;
  }
};
