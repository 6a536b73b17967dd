#include "IsInSet.h"

bool IsInSet(const TExtPoint& Point, std::int32_t Limit, std::int32_t& Count) {
  const TExtended CX = Point.X;
  const TExtended CY = Point.Y;
  TExtended ZR = 0, ZI = 0, ZR2 = 0, ZI2 = 0;
  if (Limit < 1)
    return true;
  for (std::int32_t N = 1; N <= Limit; ++N) {
    const TExtended T0 = ZR2 - ZI2;
    const TExtended T1 = (ZI * ZR) * 2;
    ZR = T0 + CX;
    ZI = T1 + CY;
    // The squares serve the escape test now and the next iteration's T0.
    ZR2 = ZR * ZR;
    ZI2 = ZI * ZI;
    if (ZR2 + ZI2 > 4) {
      Count = N;
      return false;
    }
  }
  return true;
}
