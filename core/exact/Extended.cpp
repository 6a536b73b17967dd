#include "Extended.h"

#ifndef GORVANEL_SOFT_REAL

#include <cstdio>
#include <cstdlib>

std::string HexFloatText(TExtended V) {
  char Text[64];
  std::snprintf(Text, sizeof Text, "%La", V);
  return Text;
}

std::string DecimalText(TExtended V) {
  char Text[64];
  std::snprintf(Text, sizeof Text, "%.21Lg", V);
  return Text;
}

TExtended ReadExtended(const char* Text, const char** End) {
  char* Stop = nullptr;
  const TExtended Value = std::strtold(Text, &Stop);
  *End = Stop;
  return Value;
}

#endif
