// The literal escape-time loop on the GPU, in 32-bit integer words: every
// sum and product is the 80-bit real's, rounded to nearest even, so every
// count is the x87 unit's. A real here is a sign, a biased exponent and a
// 64-bit significand in two words; the kernel handles normal numbers whose
// exponents lie well inside the format (their sums and products are normal)
// and zero. A sample whose orbit meets anything else goes back to the
// page's workers, which handle every real.

const Bias: i32 = 16383;
// Operands within 2^±4000: their products and sums are normal or zero.
const ModerateLow: i32 = Bias - 4000;
const ModerateHigh: i32 = Bias + 4000;
const TopBit: u32 = 0x80000000u;

struct Real {
  s: u32, // sign
  e: i32, // biased exponent; 0 with a zero significand is zero
  h: u32, // significand, high word (its top bit set in a normal number)
  l: u32, // significand, low word
}

const Zero = Real(0u, 0, 0u, 0u);

// A real as the module stores it: the significand's low and high words, then
// the sign and exponent in 16 bits (the rest is padding).
fn load(w: vec4<u32>) -> Real {
  return Real((w.z >> 15u) & 1u, i32(w.z & 0x7FFFu), w.y, w.x);
}

fn store(a: Real) -> vec4<u32> {
  return vec4<u32>(a.l, a.h, (a.s << 15u) | u32(a.e), 0u);
}

fn is_zero(a: Real) -> bool {
  return a.e == 0 && (a.h | a.l) == 0u;
}

// What the kernel handles: zero, or a normal number of moderate exponent.
fn moderate(a: Real) -> bool {
  return is_zero(a) || (a.e >= ModerateLow && a.e <= ModerateHigh && (a.h & TopBit) != 0u);
}

fn negate(a: Real) -> Real {
  return Real(a.s ^ 1u, a.e, a.h, a.l);
}

// A + B and its carry out.
fn add_carry(a: u32, b: u32) -> vec2<u32> {
  let s = a + b;
  return vec2<u32>(s, select(0u, 1u, s < a));
}

// A x B, all 64 bits (low word, high word), from 16-bit halves: WGSL has no
// wider product.
fn product32(a: u32, b: u32) -> vec2<u32> {
  let a0 = a & 0xFFFFu;
  let a1 = a >> 16u;
  let b0 = b & 0xFFFFu;
  let b1 = b >> 16u;
  let p00 = a0 * b0;
  let p01 = a0 * b1;
  let p10 = a1 * b0;
  let middle = (p00 >> 16u) + (p01 & 0xFFFFu) + (p10 & 0xFFFFu); // below 3 x 2^16
  return vec2<u32>((middle << 16u) | (p00 & 0xFFFFu),
                   a1 * b1 + (p01 >> 16u) + (p10 >> 16u) + (middle >> 16u));
}

// The words of the 128 bits V (x lowest) moved down by Q words, zeros
// coming in; then up by Q (below 4) words. Selects, not indices: a GPU
// indexes a vector by a variable through memory.
fn words_down(v: vec4<u32>, q: u32) -> vec4<u32> {
  let none = vec4<u32>(0u);
  return select(select(select(select(none, vec4<u32>(v.w, 0u, 0u, 0u), q == 3u),
                              vec4<u32>(v.z, v.w, 0u, 0u), q == 2u),
                       vec4<u32>(v.y, v.z, v.w, 0u), q == 1u),
                v, q == 0u);
}

fn words_up(v: vec4<u32>, q: u32) -> vec4<u32> {
  return select(select(select(vec4<u32>(0u, 0u, 0u, v.x), vec4<u32>(0u, 0u, v.x, v.y), q == 2u),
                       vec4<u32>(0u, v.x, v.y, v.z), q == 1u),
                v, q == 0u);
}

// V shifted down by D bits (any D); what falls off is not kept.
fn shift_down(v: vec4<u32>, d: u32) -> vec4<u32> {
  let a = words_down(v, min(d, 128u) >> 5u);
  let above = vec4<u32>(a.y, a.z, a.w, 0u); // the word each takes bits from
  let r = d & 31u;
  return (a >> vec4<u32>(r)) | select(vec4<u32>(0u), above << vec4<u32>(32u - r), r != 0u);
}

// V shifted up by D bits, D below 128.
fn shift_up(v: vec4<u32>, d: u32) -> vec4<u32> {
  let a = words_up(v, d >> 5u);
  let below = vec4<u32>(0u, a.x, a.y, a.z);
  let r = d & 31u;
  return (a << vec4<u32>(r)) | select(vec4<u32>(0u), below >> vec4<u32>(32u - r), r != 0u);
}

fn leading_zeros(v: vec4<u32>) -> u32 {
  return select(select(select(96u + countLeadingZeros(v.x), 64u + countLeadingZeros(v.y), v.y != 0u),
                       32u + countLeadingZeros(v.z), v.z != 0u),
                countLeadingZeros(v.w), v.w != 0u);
}

// Whether any of the low N bits (N up to 64) of the significand H:L is set.
fn low_bits_set(h: u32, l: u32, n: u32) -> bool {
  let low = select((1u << n) - 1u, 0xFFFFFFFFu, n >= 32u);
  let high = select(select((1u << (n - 32u)) - 1u, 0xFFFFFFFFu, n >= 64u), 0u, n <= 32u);
  return ((l & low) | (h & high)) != 0u;
}

// W x 2^(E - bias - 127), W's top bit set, rounded to nearest even to 64
// bits: the round bit is bit 63, the sticky bits lie below it.
fn round_nearest(s: u32, e: i32, w: vec4<u32>) -> Real {
  let half = (w.y & TopBit) != 0u;
  let sticky = max(w.y & 0x7FFFFFFFu, w.x) != 0u;
  let up = select(0u, 1u, half && (sticky || (w.z & 1u) != 0u));
  let l = w.z + up;
  let h = w.w + select(0u, 1u, up != 0u && l == 0u);
  // A carry out of the top leaves 1.0 x 2^(E + 1).
  let carried = h == 0u;
  return Real(s, e + select(0, 1, carried), select(h, TopBit, carried), l);
}

// A x B x 2^Scale (the doubled product is exact), for moderate operands.
fn multiply(a: Real, b: Real, scale: i32) -> Real {
  if (is_zero(a) || is_zero(b)) {
    return Real(a.s ^ b.s, 0, 0u, 0u);
  }
  let ll = product32(a.l, b.l);
  let lh = product32(a.l, b.h);
  let hl = product32(a.h, b.l);
  let hh = product32(a.h, b.h);
  let m1 = add_carry(ll.y, lh.x);
  let w1 = add_carry(m1.x, hl.x);
  let m2 = add_carry(hh.x, lh.y);
  let m3 = add_carry(m2.x, hl.y);
  let w2 = add_carry(m3.x, m1.y + w1.y);
  let w3 = hh.y + m2.y + m3.y + w2.y;
  let exact = vec4<u32>(ll.x, w1.x, w2.x, w3);
  // Normal significands give a product of 127 or 128 bits.
  let top = w3 >> 31u;
  let product = select(shift_up(exact, 1u), exact, top != 0u);
  return round_nearest(a.s ^ b.s, a.e + b.e - Bias + i32(top) + scale, product);
}

// A + B for moderate operands.
fn add(a: Real, b: Real) -> Real {
  if (is_zero(b)) {
    if (is_zero(a)) {
      return Real(a.s & b.s, 0, 0u, 0u); // +0 unless both are -0
    }
    return a;
  }
  if (is_zero(a)) {
    return b;
  }
  // X is the operand of the larger magnitude.
  let swap = a.e < b.e || (a.e == b.e && (a.h < b.h || (a.h == b.h && a.l < b.l)));
  var x = a;
  var y = b;
  if (swap) {
    x = b;
    y = a;
  }
  let d = u32(min(x.e - y.e, 192));
  // X in the top 64 bits of 128; Y below it by D, and the bits of Y that
  // fall off the bottom (only past D = 64) kept as a sticky bit, which
  // rounds as they would (a subtraction moves the result up one bit at
  // most there).
  let wx = vec4<u32>(0u, 0u, x.l, x.h);
  var wy = shift_down(vec4<u32>(0u, 0u, y.l, y.h), d);
  let lost = d > 64u && (d >= 128u || low_bits_set(y.h, y.l, d - 64u));
  wy.x |= select(0u, 1u, lost);
  var w: vec4<u32>;
  var e = x.e;
  if (x.s == y.s) {
    // X's low words are 0: the sum's are Y's, and carry nothing.
    let s2 = add_carry(wx.z, wy.z);
    let s3 = add_carry(wx.w, wy.w);
    let s3c = add_carry(s3.x, s2.y);
    w = vec4<u32>(wy.x, wy.y, s2.x, s3c.x);
    if (s3.y + s3c.y != 0u) {
      // Carried out: one bit down. Only operands less than 64 bits apart
      // carry out, and then the sum's lowest bit is 0: nothing is lost.
      w = shift_down(w, 1u);
      w.w |= TopBit;
      e += 1;
    }
  } else {
    let b0 = select(0u, 1u, wx.x < wy.x);
    let d1 = wx.y - wy.y;
    let b1 = select(0u, 1u, wx.y < wy.y) + select(0u, 1u, d1 < b0);
    let d2 = wx.z - wy.z;
    let b2 = select(0u, 1u, wx.z < wy.z) + select(0u, 1u, d2 < b1);
    w = vec4<u32>(wx.x - wy.x, d1 - b0, d2 - b1, wx.w - wy.w - b2);
    if ((w.x | w.y | w.z | w.w) == 0u) {
      return Zero; // an exact cancellation is +0
    }
    let shift = leading_zeros(w);
    w = shift_up(w, shift);
    e -= i32(shift);
  }
  return round_nearest(x.s, e, w);
}

// Whether A is above 4 (1.0 x 2^2).
fn above_four(a: Real) -> bool {
  return a.s == 0u && (a.e > Bias + 2 || (a.e == Bias + 2 && (a.h != TopBit || a.l != 0u)));
}

// The escape test, |z|^2 > 4, for squares of moderate exponents: decided
// in 32-bit floats where |z|^2 is clearly below or above 4, exactly only
// near 4. Each square's float keeps its top 24 bits (exact in a float), so
// it is at most the square and low by less than 2^-23 of it, and the float
// sum rounds by 2^-24 at most: below 4 (1 - 2^-20), the squares' sum is
// below 4 and so is its 64-bit rounding. Above 4, the floats' exact sum,
// which the float sum rounds to nearest, exceeds 4 by more than half a
// float's step there, 2^-22, and so does the squares' sum: far more than
// its 64-bit rounding moves it.
fn approximate(a: Real) -> f32 {
  // A value beyond 2^127 is above 4 however far beyond; one below 2^-126
  // counts as 0 or nearly, far below what decides anything.
  return ldexp(f32(a.h >> 8u), clamp(a.e - Bias - 23, -160, 104));
}

fn escaped(zr2: Real, zi2: Real) -> bool {
  let sum = approximate(zr2) + approximate(zi2);
  if (sum < 4.0 * (1.0 - 0x1p-20f)) {
    return false;
  }
  if (sum > 4.0) {
    return true;
  }
  return above_four(add(zr2, zi2));
}

struct Frame {
  limit: u32,
  count: u32, // samples in this batch
}

@group(0) @binding(0) var<uniform> frame: Frame;
@group(0) @binding(1) var<storage, read> columns: array<vec4<u32>>; // x of each column
@group(0) @binding(2) var<storage, read> rows: array<vec4<u32>>;    // y of each row
@group(0) @binding(3) var<storage, read> samples: array<vec2<u32>>; // column, row
@group(0) @binding(4) var<storage, read_write> counts: array<i32>;
@group(0) @binding(5) var<storage, read_write> next: atomic<u32>; // the next sample to take

// What a sample's count is when its orbit leaves what the kernel handles.
const HandedBack: i32 = -1;

// The orbit of one sample, and where it stands.
struct Orbit {
  k: u32, // the sample
  cx: Real,
  cy: Real,
  zr: Real,
  zi: Real,
  zr2: Real,
  zi2: Real,
  n: u32,     // iterations done
  fine: bool, // every operand so far moderate
}

fn take() -> Orbit {
  let k = atomicAdd(&next, 1u);
  let sample = samples[min(k, frame.count - 1u)];
  let cx = load(columns[sample.x]);
  let cy = load(rows[sample.y]);
  return Orbit(k, cx, cy, Zero, Zero, Zero, Zero, 0u, moderate(cx) && moderate(cy));
}

// Each lane iterates one orbit at a time, a step per round, the lanes of a
// workgroup in step together; a lane whose orbit ends (it escaped, reached
// the limit or left the moderate exponents) writes its count, the first N
// at which |z_N|^2 > 4, 0 for none, or HandedBack, and takes the next
// sample, so that no lane idles while others finish theirs.
@compute @workgroup_size(64)
fn main() {
  var o = take();
  loop {
    if (o.k >= frame.count) {
      break;
    }
    let t0 = add(o.zr2, negate(o.zi2));
    let t1 = multiply(o.zi, o.zr, 1);
    o.zr = add(t0, o.cx);
    o.zi = add(t1, o.cy);
    o.zr2 = multiply(o.zr, o.zr, 0);
    o.zi2 = multiply(o.zi, o.zi, 0);
    o.n += 1u;
    o.fine = o.fine && moderate(t0) && moderate(t1) && moderate(o.zr) && moderate(o.zi) &&
             moderate(o.zr2) && moderate(o.zi2);
    let out = o.fine && escaped(o.zr2, o.zi2);
    if (!o.fine || out || o.n >= frame.limit) {
      counts[o.k] = select(select(0, i32(o.n), out), HandedBack, !o.fine);
      o = take();
    }
  }
}
