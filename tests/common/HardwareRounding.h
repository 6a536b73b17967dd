#pragma once

#include <cfenv>
#include <cmath>

// The five operations the software arithmetic is checked on.
enum class TOperation { Add, Subtract, Multiply, Divide, Sqrt };

// An operation as the processor does it in a rounding Mode (FE_...), for
// float, double or long double; volatile keeps the compiler from folding it
// at build time, in the mode it assumes.
template <class T> T Hardware(TOperation Operation, T A, T B, int Mode) {
  volatile T X = A, Y = B;
  std::fesetround(Mode);
  T Result = 0;
  switch (Operation) {
  case TOperation::Add: Result = X + Y; break;
  case TOperation::Subtract: Result = X - Y; break;
  case TOperation::Multiply: Result = X * Y; break;
  case TOperation::Divide: Result = X / Y; break;
  case TOperation::Sqrt: Result = std::sqrt(X); break;
  }
  volatile T Kept = Result;
  std::fesetround(FE_TONEAREST);
  return Kept;
}
