#include "Axis.h"

#include <compare>
#include <cstring>
#include <map>

namespace {

// The 80 significant bits of an extended real, for exact comparison (the
// other 48 bits of a long double are padding with no fixed content).
struct TBits {
  std::uint64_t Significand = 0;
  std::uint16_t SignExponent = 0;
  auto operator<=>(const TBits&) const = default;
};

TBits BitsOf(TExtended Value) {
  unsigned char Raw[sizeof(TExtended)];
  std::memcpy(Raw, &Value, sizeof Raw);
  TBits Bits;
  std::memcpy(&Bits.Significand, Raw, 8);
  std::memcpy(&Bits.SignExponent, Raw + 8, 2);
  return Bits;
}

} // namespace

TAxis Deduplicate(const std::vector<TExtended>& Values, bool MirrorSign) {
  TAxis Axis;
  Axis.Source.resize(Values.size());
  std::map<TBits, std::int32_t> First;
  for (std::size_t K = 0; K < Values.size(); ++K) {
    TBits Key = BitsOf(Values[K]);
    if (MirrorSign)
      Key.SignExponent &= 0x7FFF;
    const auto [It, Inserted] = First.try_emplace(Key, static_cast<std::int32_t>(K));
    Axis.Source[K] = It->second;
    if (Inserted)
      Axis.Unique.push_back(static_cast<std::int32_t>(K));
  }
  return Axis;
}
