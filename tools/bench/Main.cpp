// gorvanel-bench: renders a fixed set of views with the literal renderer, the
// default one without region proofs and the default one, in the same run,
// and prints the times side by side with the share of samples proved. The
// last two alternate over --runs runs, and the best of each is shown.
// A benchmark, not a test: read the ratios, not the absolute times, on a
// shared machine.

#include "BenchArgs.h"
#include "RenderArgs.h"
#include "RenderMandelbrot.h"
#include "View.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// The point of the main cardioid whose fixed point has the multiplier
// 0.9999 e^i: c = m/2 - m^2/4.
constexpr TExtended NearNeutralX = 0.9999L * 0.54030230586813971740L / 2 -
                                  0.99980001L * -0.41614683654714238700L / 4;
constexpr TExtended NearNeutralY = 0.9999L * 0.84147098480789650665L / 2 -
                                  0.99980001L * 0.90929742682568169540L / 4;

struct TBenchView {
  const char* Name;
  TExtended Left, Top, Bottom; // the right edge is derived as in the viewer
};

// The height picks the limit: 2.5 -> 50, 5e-6 -> 5000, 1e-11 -> 10000.
const TBenchView BenchViews[] = {
    {"start view", StartViewLeft, StartViewTop, StartViewBottom},
    // Boundary region in the valley between the cardioid and the period-2 bulb.
    {"mixed boundary", -0.743643887037158704752L - 4.086402266e-6L,
     0.131825904205311970493L + 2.5e-6L, 0.131825904205311970493L - 2.5e-6L},
    // Inside the main cardioid: attracting fixed point, exact cycles.
    {"interior (cycles)", -0.1L - 8.17e-12L, 0.1L + 5e-12L, 0.1L - 5e-12L},
    // At the root of the period-3 bulb (parabolic, off the real axis): orbits
    // crawl towards the cycle and never close exactly within 10000 iterations.
    {"black, no cycles", -0.125L - 8.17e-12L, 0.649519052838329L + 5e-12L,
     0.649519052838329L - 5e-12L},
    // A small copy of the set on the real axis (period 3), with its filaments.
    {"minibrot", -1.7548776662466927L - 0.0245L, 0.015L, -0.015L},
    // Just outside the set near the seahorse valley: no sample stays inside,
    // the counts form broad bands.
    {"exterior bands", -0.7436453L, 0.1318268L, 0.13182675L},
    // Inside the main cardioid close to its edge, where the fixed point
    // attracts with |multiplier| 0.9999: orbits neither repeat nor contract
    // fast.
    {"near-neutral interior", NearNeutralX - 8.17e-6L, NearNeutralY + 5e-6L, NearNeutralY - 5e-6L},
    // The zero-height view a flat drag gives: every sample is the same point.
    {"zero height", -0.75L, 0.1L, 0.1L},
    // Views the proofs were not tuned on. Just outside the main cardioid at
    // the elephant valley: most samples escape after the limit, slowly, and
    // count as in the set without being attracted; few tiles can be proved.
    {"elephant edge", 0.28569L, 0.01490005L, 0.01489995L},
    // The period-4 copy of the set on the real axis.
    {"minibrot, period 4", -1.942L, 0.0012L, -0.0012L},
    // Outside the period-2 bulb, where filaments and bands mix.
    {"period-2 exterior", -1.25066L, 0.02012L, 0.02011L},
    // The edge of a small bulb on the main cardioid: samples on both sides
    // stay near the boundary for thousands of iterations without being
    // attracted or escaping, so neither tiles nor double orbits settle them
    // and every one is iterated exactly; the proofs must cost next to nothing.
    {"bulb edge", -0.2125858316L - 4.086402266e-6L, 0.6432958455L + 2.5e-6L,
     0.6432958455L - 2.5e-6L},
};

// A view of the given height around (X, Y), as wide as the default size makes it.
TBenchView Around(const char* Name, TExtended X, TExtended Y, TExtended Height) {
  return {Name, X - Height * DefaultImageWidth / DefaultImageHeight / 2, Y + Height / 2,
          Y - Height / 2};
}

// At the 80-bit floor, 1e-14 to 1e-18 high, where neighbouring samples are a
// few units in the last place apart and rounding is amplified along the
// orbits. Points near the boundary found by bisecting between a point in
// the set and one outside it along a random direction (a fixed seed), and
// filaments at Misiurewicz points; none was used to tune the proofs.
const TBenchView DeepFloorViews[] = {
    Around("bulb edge 1e-14", -0.524661358377712143928L, 0.609197910198183080433L, 1e-14L),
    Around("noisy edge 3e-15", -1.1838712623430453592L, -0.169423732434381950286L, 3e-15L),
    Around("rounding noise 1e-15", -0.64465304127987266492L, 0.359328088449618439809L, 1e-15L),
    Around("dendrite 3e-16", -0.220979520952220094318L, 0.800521307255206271696L, 3e-16L),
    Around("bulb edge 1e-16", -1.36717967270648484905L, -0.0136999514672344999849L, 1e-16L),
    Around("noisy edge 3e-17", -0.722809582135587110714L, 0.1884423859516688382L, 3e-17L),
    Around("rounding noise 1e-17", 0.18419508730166264806L, 0.556397728491609244955L, 1e-17L),
    // Rows and columns repeat to the bit: the picture is made of streaks.
    Around("past resolution 1e-18", -1.24414186409183300875L, 0.0706451308002810835266L, 1e-18L),
    Around("filament at i 1e-15", 0.0L, 1.0L, 1e-15L),
    Around("bands near i 1e-16", 3e-16L, 1.0L + 4e-16L, 1e-16L),
    Around("filaments 1e-14", -0.10109636384562L, 0.95628651080914L, 1e-14L),
    Around("spine near -2 1e-14", -1.99999999999999L, 0.0L, 1e-14L),
};

double Milliseconds(std::chrono::steady_clock::duration Elapsed) {
  return std::chrono::duration<double, std::milli>(Elapsed).count();
}

// The best of a few runs for quick frames (the first run of a process also
// pays for fresh memory), a single run for slow ones.
template <class TRender> double Time(TRender Render, TFrame& Frame) {
  constexpr int MaxRuns = 7;
  constexpr double RepeatBelowMs = 200;
  double Best = 0;
  for (int Run = 0; Run < MaxRuns; ++Run) {
    const auto Start = std::chrono::steady_clock::now();
    Frame = Render();
    const double Elapsed = Milliseconds(std::chrono::steady_clock::now() - Start);
    Best = Run == 0 ? Elapsed : std::min(Best, Elapsed);
    if (Elapsed > RepeatBelowMs)
      break;
  }
  return Best;
}

// Renders one view every way and prints its row; returns whether the frames
// are identical.
bool BenchView(const TBenchView& View, const TBenchArgs& Bench) {
  const std::int32_t Width = Bench.Width, Height = Bench.Height;
  const TExtPoint TopLeft{View.Left, View.Top};
  const TExtPoint BottomRight{ViewRight(View.Top, View.Left, View.Bottom, Width, Height),
                              View.Bottom};
  TFrame Literal, Fast, Unproved;
  const double LiteralMs =
      Time([&] { return RenderFrameLiteral(TopLeft, BottomRight, Width, Height); }, Literal);
  // Alternately, so that both see the same load on a shared machine.
  double UnprovedMs = 0, FastMs = 0;
  for (int Run = 0; Run < Bench.Runs; ++Run)
    for (const bool Proofs : {false, true}) {
      TRenderOptions Options;
      Options.Threads = Bench.Threads;
      Options.Proofs = Proofs;
      Options.Kernel = Bench.Kernel;
      const double Ms =
          Time([&] { return RenderFrame(TopLeft, BottomRight, Width, Height, Options); },
               Proofs ? Fast : Unproved);
      double& Best = Proofs ? FastMs : UnprovedMs;
      Best = Run == 0 ? Ms : std::min(Best, Ms);
    }
  const auto Same = [&](const TFrame& Frame) {
    return Literal.Image == Frame.Image && Literal.MinCount == Frame.MinCount &&
           Literal.MaxCount == Frame.MaxCount;
  };
  const bool Identical = Same(Fast) && Same(Unproved);
  const double Samples = (Width + 1.0) * (Height + 1.0);
  std::printf("%-22s %6d %11.1f %11.1f %11.1f %7.1fx %8.2fx %6.1f%%  %s\n", View.Name,
              Literal.Limit, LiteralMs, UnprovedMs, FastMs, LiteralMs / FastMs,
              UnprovedMs / FastMs, 100 * Fast.ProvedSamples / Samples, Identical ? "yes" : "NO");
  std::fflush(stdout);
  return Identical;
}

} // namespace

int main(int argc, char** argv) {
  TBenchArgs Bench;
  try {
    Bench = ParseBenchArgs({argv + 1, argv + argc});
  } catch (const TUsageError& Error) {
    std::fprintf(stderr, "gorvanel-bench: %s\n", Error.what());
    return 2;
  }
  if (Bench.Help) {
    std::puts(BenchUsage);
    return 0;
  }
  // The views asked for: the groups', or the one named.
  std::vector<const TBenchView*> Views;
  const auto Add = [&](const auto& Group, bool Asked) {
    for (const TBenchView& View : Group)
      if (Asked && (Bench.View.empty() || Bench.View == View.Name))
        Views.push_back(&View);
  };
  Add(BenchViews, Bench.Main);
  Add(DeepFloorViews, Bench.Deep);
  if (Views.empty()) {
    std::fprintf(stderr, "gorvanel-bench: no view named '%s' in the group (--list names them)\n",
                 Bench.View.c_str());
    return 2;
  }
  if (Bench.List) {
    // For the page's benchmark, which renders the same views.
    for (const TBenchView* View : Views)
      std::printf("%s\t%s,%s,%s\n", View->Name, HexFloatText(View->Left).c_str(),
                  HexFloatText(View->Top).c_str(), HexFloatText(View->Bottom).c_str());
    return 0;
  }
  const char* const Kernels[] = {"default", "portable", "soft"};
  std::printf("%dx%d, %s kernel on %s threads, best of %d interleaved run%s\n", Bench.Width,
              Bench.Height, Kernels[static_cast<int>(Bench.Kernel)],
              Bench.Threads > 0 ? std::to_string(Bench.Threads).c_str() : "all hardware",
              Bench.Runs, Bench.Runs > 1 ? "s" : "");
  std::printf("%-22s %6s %11s %11s %11s %8s %9s %7s  %s\n", "view", "limit", "literal ms",
              "no-proof ms", "default ms", "ratio", "vs proof", "proved", "identical");
  bool AllIdentical = true;
  for (const TBenchView* View : Views) {
    if (View == std::begin(DeepFloorViews))
      std::puts("deep floor");
    AllIdentical = BenchView(*View, Bench) && AllIdentical;
  }
  return AllIdentical ? 0 : 1;
}
