// The hand-written x87 kernel: three samples in flight per thread.
//
// Why assembly: one sample's iteration is a chain of dependent x87 adds and
// multiplies (about 21 cycles of latency per iteration) while the unit could
// start about two instructions per cycle. Interleaving independent samples
// hides that latency, but compilers spill the extra 80-bit values to memory,
// and an 80-bit store and reload costs more than it saves. Here each sample
// keeps only zr and zi on the register stack (6 of the 8 registers) and c is
// read from memory. An iteration needs one temporary; the eighth register
// holds cx when the three samples share it (samples of one column).
//
// Exactness: every value the literal loop rounds is rounded here, from the
// same operands, by the same x87 operations, so z is the same bits:
//   A = zr*zr, B = zi*zi, t0 = A - B,
//   t1 = (zi*zr) + (zi*zr), which equals (zi*zr) * 2 exactly,
//   zr' = t0 + cx, zi' = t1 + cy.
// The escape test is not made in every iteration; FastPaths.md explains the
// watch that replaces it and why no escape can slip past it. Every escape
// the watch reports is found again, to the iteration, by the literal loop.
// Where this cannot build, the software extended real's kernel stands in.

#include "Kernel.h"
#include "Orbit.h"
#include "LanePool.h"
#include "ProofRation.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(GORVANEL_SOFT_REAL)
#define GORVANEL_X87_KERNEL 1
#endif

#ifdef GORVANEL_X87_KERNEL

namespace {

constexpr int LaneCount = 3;
// Iterations between two looks at the lanes from C++ (limits, cycle checks).
constexpr std::int32_t BlockIterations = 128;
constexpr std::int32_t MinBlockIterations = 16;
// Iterations each sample runs in plain C++ before it takes a lane.
constexpr std::int32_t ScalarIterations = 24;
// Iterations between two watches for escapes inside the assembly.
constexpr std::int32_t WindowIterations = 16;

// One lane as the assembly sees it: z (16 bytes per 80-bit value), then c,
// each coordinate as two doubles whose sum is exact (see SplitExactly).
struct alignas(16) TLaneRegs {
  TExtended ZR = 0, ZI = 0;
  double CXHigh = 0, CXLow = 0, CYHigh = 0, CYLow = 0;
};
static_assert(sizeof(TLaneRegs) == 64);

// An 80-bit load costs several times a 64-bit one, so c is kept as the sum of
// two doubles: the nearest double, and the remainder (at most 11 bits, exact).
// Their sum, formed in an x87 register, is c again to the bit. Values whose
// remainder leaves the double range (below about 1e-290 or above 1e308) are
// reported not splittable and go to the portable loop.
bool SplitExactly(TExtended Value, double& High, double& Low) {
  High = static_cast<double>(Value);
  Low = static_cast<double>(Value - High);
  return std::isfinite(High) && static_cast<TExtended>(High) + static_cast<TExtended>(Low) == Value &&
         (Low == 0 || std::fabs(Low) >= 0x1p-960);
}

// An escaped orbit cannot fall back below this within a window (see
// FastPaths.md); orbits that never escaped rarely come this close to 4.
constexpr float EscapeWatch = 3.875f;

// One lane's iteration, without the escape test, in three parts. The lane's
// zr and zi lie at st(R) and st(I) when no temporary is pushed (R1 = R + 1
// and so on, as temporaries are pushed). Each product is formed once: zr is
// squared in its own register and zi in a temporary, and the product zr*zi
// waits in zi's register. Comments show the temporary on top of the stack.
//
// First, the products and t0, left in zr's register.
#define GORVANEL_T0(R, R1, I1)                                                                    \
  "fld %%st(" #R ")\n\t"              /* zr                          */                          \
  "fmul %%st, %%st(" #R1 ")\n\t"      /* zr; R holds A = zr*zr       */                          \
  "fmul %%st(" #I1 "), %%st\n\t"      /* P = zr*zi                   */                          \
  "fxch %%st(" #I1 ")\n\t"            /* zi; I holds P               */                          \
  "fmul %%st(0), %%st\n\t"            /* B = zi*zi                   */                          \
  "fsubrp %%st, %%st(" #R1 ")\n\t"    /* R holds t0 = A - B          */

// Then zr' = t0 + cx, with cx formed from memory...
#define GORVANEL_ZR(R1, OFFSET)                                                                   \
  "fldl " #OFFSET "+32(%[lanes])\n\t" /* cx high                     */                          \
  "faddl " #OFFSET "+40(%[lanes])\n\t" /* cx                         */                          \
  "faddp %%st, %%st(" #R1 ")\n\t"     /* R holds zr' = t0 + cx       */

// ...or, when all three lanes share cx (samples of one column), copied from
// the register under the lanes, st(C) with no temporary pushed.
#define GORVANEL_ZR_SHARED(R1, C)                                                                 \
  "fld %%st(" #C ")\n\t"              /* cx                          */                          \
  "faddp %%st, %%st(" #R1 ")\n\t"     /* R holds zr' = t0 + cx       */

// Last, zi' = 2 zr zi + cy.
#define GORVANEL_ZI(I1, OFFSET)                                                                   \
  "fldl " #OFFSET "+48(%[lanes])\n\t" /* cy high                     */                          \
  "faddl " #OFFSET "+56(%[lanes])\n\t" /* cy                         */                          \
  "fxch %%st(" #I1 ")\n\t"            /* P; I holds cy               */                          \
  "fadd %%st(0), %%st\n\t"            /* t1 = P + P                  */                          \
  "faddp %%st, %%st(" #I1 ")\n\t"     /* I holds zi' = t1 + cy       */

#define GORVANEL_STEP(R, R1, I1, OFFSET)                                                          \
  GORVANEL_T0(R, R1, I1) GORVANEL_ZR(R1, OFFSET) GORVANEL_ZI(I1, OFFSET)
#define GORVANEL_STEP_SHARED_X(R, R1, I1, OFFSET)                                                 \
  GORVANEL_T0(R, R1, I1) GORVANEL_ZR_SHARED(R1, 6) GORVANEL_ZI(I1, OFFSET)

// The watch on one lane: sets bit BIT of %dl unless |z|^2 <= EscapeWatch
// (so also for an infinite or NaN z). It needs one temporary only: zr^2
// waits in memory, as a double, which is precise enough for a watch.
#define GORVANEL_WATCH(R, I, BIT)                                                                 \
  "fld %%st(" #R ")\n\t"                                                                         \
  "fmul %%st(0), %%st\n\t"                                                                       \
  "fstpl %[spill]\n\t"                                                                           \
  "fld %%st(" #I ")\n\t"                                                                         \
  "fmul %%st(0), %%st\n\t"                                                                       \
  "faddl %[spill]\n\t"                                                                           \
  "fcomps %[watch]\n\t"                                                                          \
  "fnstsw %%ax\n\t"                                                                              \
  "andb $0x45, %%ah\n\t"              /* C3, C2, C0                  */                          \
  "cmpb $0x01, %%ah\n\t"              /* below                       */                          \
  "je 1f\n\t"                                                                                    \
  "cmpb $0x40, %%ah\n\t"              /* equal                       */                          \
  "je 1f\n\t"                                                                                    \
  "orb $" #BIT ", %%dl\n"                                                                        \
  "1:\n\t"

// Runs up to Bodies iterations of all three lanes in lock step, watching the
// lanes after every window of WindowIterations and once more at the end.
// Stops at the first watch that reports a lane; returns the iterations run
// and sets the bits of the reported lanes. PUSH and POP bracket the loop;
// the stack holds zr0 zi0 zr1 zi1 zr2 zi2 on top of whatever PUSH left.
#define GORVANEL_BLOCK(PUSH, STEPS, POP)                                                          \
  asm volatile(PUSH "fldt 128+16(%[lanes])\n\t"                                                  \
                    "fldt 128(%[lanes])\n\t"                                                     \
                    "fldt 64+16(%[lanes])\n\t"                                                   \
                    "fldt 64(%[lanes])\n\t"                                                      \
                    "fldt 16(%[lanes])\n\t"                                                      \
                    "fldt 0(%[lanes])\n\t"                                                       \
                    "xorl %[done], %[done]\n\t"                                                  \
                    "xorl %%edx, %%edx\n"                                                        \
                    "2:\n\t" /* a window: min(WindowIterations, Bodies - Done) */                \
                    "movl %[bodies], %%ecx\n\t"                                                  \
                    "subl %[done], %%ecx\n\t"                                                    \
                    "cmpl %[window], %%ecx\n\t"                                                  \
                    "jbe 4f\n\t"                                                                 \
                    "movl %[window], %%ecx\n"                                                    \
                    "4:\n\t" STEPS "incl %[done]\n\t"                                            \
                    "decl %%ecx\n\t"                                                             \
                    "jnz 4b\n\t" GORVANEL_WATCH(0, 1, 1) GORVANEL_WATCH(2, 3, 2)                  \
                        GORVANEL_WATCH(4, 5, 4) "testb %%dl, %%dl\n\t"                           \
                    "jnz 3f\n\t"                                                                 \
                    "cmpl %[bodies], %[done]\n\t"                                                \
                    "jb 2b\n"                                                                    \
                    "3:\n\t"                                                                     \
                    "fstpt 0(%[lanes])\n\t"                                                      \
                    "fstpt 16(%[lanes])\n\t"                                                     \
                    "fstpt 64(%[lanes])\n\t"                                                     \
                    "fstpt 64+16(%[lanes])\n\t"                                                  \
                    "fstpt 128(%[lanes])\n\t"                                                    \
                    "fstpt 128+16(%[lanes])\n\t" POP "movl %%edx, %[mask]\n\t"                   \
               : [done] "=&r"(Done), [mask] "=&r"(Mask), [spill] "=m"(Spill)                     \
               : [lanes] "r"(Lanes.data()), [bodies] "r"(Bodies), [watch] "m"(EscapeWatch),      \
                 [window] "i"(WindowIterations)                                                  \
               : "rax", "rcx", "rdx", "cc", "memory", "st", "st(1)", "st(2)", "st(3)", "st(4)",  \
                 "st(5)", "st(6)", "st(7)")

std::int32_t RunBlock(std::array<TLaneRegs, LaneCount>& Lanes, std::int32_t Bodies,
                      bool SharedX, unsigned& WatchMask) {
  std::int32_t Done = 0;
  unsigned Mask = 0;
  double Spill = 0;
  if (SharedX)
    GORVANEL_BLOCK("fldl 32(%[lanes])\n\t"
                   "faddl 40(%[lanes])\n\t",
                   GORVANEL_STEP_SHARED_X(0, 1, 2, 0) GORVANEL_STEP_SHARED_X(2, 3, 4, 64)
                       GORVANEL_STEP_SHARED_X(4, 5, 6, 128),
                   "fstp %%st(0)\n\t");
  else
    GORVANEL_BLOCK("", GORVANEL_STEP(0, 1, 2, 0) GORVANEL_STEP(2, 3, 4, 64) GORVANEL_STEP(4, 5, 6, 128),
                   "");
  WatchMask = Mask;
  return Done;
}

// Whether all lanes add the same cx, to the bit.
bool ShareX(const std::array<TLaneRegs, LaneCount>& Lanes) {
  for (int K = 1; K < LaneCount; ++K)
    if (std::memcmp(&Lanes[K].CXHigh, &Lanes[0].CXHigh, 2 * sizeof(double)) != 0)
      return false;
  return true;
}

std::atomic<std::int64_t> WatchReports{0};
std::atomic<std::int64_t> LanesLoaded{0};

// The x87 registers as a block of lanes for TLanePool. A lane's N counts
// the iterations done: z_N is its untested z.
class TX87Block {
public:
  static constexpr int LaneCount = ::LaneCount;
  static constexpr std::int32_t MaxSteps = BlockIterations;

  TX87Block(std::int32_t Limit, bool ProveOrbits) : FLimit(Limit), FProveOrbits(ProveOrbits) {}
  // Counted here, and added once: threads share the total.
  ~TX87Block() { LanesLoaded.fetch_add(FLoaded, std::memory_order_relaxed); }
  TX87Block(const TX87Block&) = delete;
  TX87Block& operator=(const TX87Block&) = delete;

  // The first iterations run here, one sample at a time: most samples of a
  // shallow view escape within them, and a sample that escapes in the lanes
  // costs a trip out of the assembly and back.
  [[gnu::always_inline]] bool Load(int K, const TSample& Sample, TLaneBook& Book) {
    // On local copies, which the compiler keeps in registers.
    const TExtended X = Sample.X, Y = Sample.Y;
    const std::int32_t Limit = FLimit;
    TOrbit Orbit;
    std::int32_t N = 0;
    bool Escaped = false;
    while (N < ScalarIterations && N < Limit && !Escaped) {
      Escaped = Orbit.Step(X, Y);
      ++N;
    }
    if (Escaped || N == FLimit) {
      *Sample.Count = Escaped ? N : 0;
      return false;
    }
    TLaneRegs& Regs = FRegs[static_cast<std::size_t>(K)];
    Regs = TLaneRegs{};
    if (!SplitExactly(Sample.X, Regs.CXHigh, Regs.CXLow) ||
        !SplitExactly(Sample.Y, Regs.CYHigh, Regs.CYLow)) {
      *Sample.Count = EscapeCount(Sample.X, Sample.Y, FLimit, FProveOrbits);
      return false;
    }
    // z_N has been tested; the lane tests it once more, harmlessly, first.
    Regs.ZR = Orbit.ZR;
    Regs.ZI = Orbit.ZI;
    Book = {true, N, Sample, TOrbitProofTry(FProveOrbits)};
    FCycles[static_cast<std::size_t>(K)] = {0, 0, N};
    ++FLoaded;
    return true;
  }

  // An idle lane iterates c = 0, which stays at 0 and never escapes.
  void Idle(int K) { FRegs[static_cast<std::size_t>(K)] = TLaneRegs{}; }

  // Run no lane past its limit: z_Limit is the last one the loop tests.
  // Young lanes are looked at sooner (after as many iterations again as
  // they have done), so orbits that settle early into a cycle stop early.
  std::int32_t Steps(const TLaneBook& Book) const {
    return std::min(FLimit + 1 - Book.N, std::max(Book.N, MinBlockIterations));
  }

  std::int32_t Run(std::int32_t Steps) {
    FBefore = FRegs;
    return RunBlock(FRegs, Steps, ShareX(FRegs), FWatchMask);
  }

  // A finished lane (escaped, at the limit, in an exact cycle, or proved
  // to stay inside) writes its count.
  bool Finish(int K, TLaneBook& Book, std::int32_t Done) {
    const auto L = static_cast<std::size_t>(K);
    TLaneRegs& Regs = FRegs[L];
    if ((FWatchMask >> K) & 1u && Recheck(FBefore[L], Regs, Book, Done))
      return true;
    Book.N += Done;
    if (Book.N > FLimit || FCycles[L].Repeats(Regs.ZR, Regs.ZI, Book.N) ||
        Book.Proof.TryAt(Book.N, FRation, Book.Sample.X, Book.Sample.Y, Regs.ZR, Regs.ZI)) {
      *Book.Sample.Count = 0;
      return true;
    }
    return false;
  }

  bool Paused() const { return false; }

private:
  // A lane the watch reported: the literal loop runs the block again from
  // the lane's state before it and finds the escape to the iteration (or
  // finds none, and the lane goes on from the same bits). Returns whether
  // it escaped.
  static bool Recheck(const TLaneRegs& Before, TLaneRegs& Regs, const TLaneBook& Book,
                      std::int32_t Done) {
    WatchReports.fetch_add(1, std::memory_order_relaxed);
    TOrbit Orbit(Before.ZR, Before.ZI);
    for (std::int32_t K = 0; K < Done; ++K) {
      if (Orbit.Escaped()) {
        *Book.Sample.Count = Book.N + K;
        return true;
      }
      Orbit.Step(Book.Sample.X, Book.Sample.Y);
    }
    Regs.ZR = Orbit.ZR;
    Regs.ZI = Orbit.ZI;
    return false;
  }

  const std::int32_t FLimit;
  const bool FProveOrbits;
  std::array<TLaneRegs, LaneCount> FRegs{}, FBefore{};
  std::array<TCycleCheck, LaneCount> FCycles{};
  unsigned FWatchMask = 0;
  TProofRation FRation;
  std::int64_t FLoaded = 0;
};

} // namespace

bool HasX87Kernel() { return true; }

std::int64_t X87WatchReports() { return WatchReports.load(std::memory_order_relaxed); }

std::int64_t X87LanesLoaded() { return LanesLoaded.load(std::memory_order_relaxed); }

void IterateSamples(TSampleFeed& Feed, std::int32_t Limit, bool ProveOrbits) {
  IterateInPool<TX87Block>(Feed, Limit, ProveOrbits);
}

#else

bool HasX87Kernel() { return false; }

std::int64_t X87WatchReports() { return 0; }

std::int64_t X87LanesLoaded() { return 0; }

// Without the x87 unit the extended real is the software one, and its own
// kernel is the fastest there is.
void IterateSamples(TSampleFeed& Feed, std::int32_t Limit, bool ProveOrbits) {
  IterateSamplesSoft(Feed, Limit, ProveOrbits);
}

#endif
