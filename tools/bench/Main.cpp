// gorvanel-bench: renders a fixed set of views with the literal renderer and
// with the default one in the same run, and prints the times side by side.
// A benchmark, not a test: read the ratios, not the absolute times, on a
// shared machine.

#include "RenderArgs.h"
#include "RenderMandelbrot.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

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
    // The zero-height view a flat drag gives: every sample is the same point.
    {"zero height", -0.75L, 0.1L, 0.1L},
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

} // namespace

int main(int argc, char** argv) {
  int Threads = 0;
  std::int32_t Width = 577, Height = 353;
  try {
    TRenderArgs Args = ParseRenderArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (Args.Action == TRenderArgs::TAction::Help) {
      std::puts("Usage: gorvanel-bench [--size WxH] [--threads N]\n"
                "Renders fixed views with the literal and the default renderer and prints\n"
                "both times, their ratio, and whether the frames are identical.");
      return 0;
    }
    if (!Args.Output.empty() || Args.Literal || Args.Right || Args.Left != StartViewLeft)
      throw TUsageError("gorvanel-bench takes only --size and --threads");
    Threads = Args.Threads;
    Width = Args.Width;
    Height = Args.Height;
  } catch (const TUsageError& Error) {
    std::fprintf(stderr, "gorvanel-bench: %s\n", Error.what());
    return 2;
  }

  std::printf("%dx%d, default renderer on %s threads\n", Width, Height,
              Threads > 0 ? std::to_string(Threads).c_str() : "all hardware");
  std::printf("%-20s %6s %12s %12s %8s  %s\n", "view", "limit", "literal ms", "default ms",
              "ratio", "identical");
  bool AllIdentical = true;
  for (const TBenchView& View : BenchViews) {
    const TExtPoint TopLeft{View.Left, View.Top};
    const TExtPoint BottomRight{ViewRight(View.Top, View.Left, View.Bottom, Width, Height),
                                View.Bottom};
    TFrame Literal, Fast;
    const double LiteralMs =
        Time([&] { return RenderFrameLiteral(TopLeft, BottomRight, Width, Height); }, Literal);
    TRenderOptions Options;
    Options.Threads = Threads;
    const double FastMs =
        Time([&] { return RenderFrame(TopLeft, BottomRight, Width, Height, Options); }, Fast);
    const bool Identical = Literal.Image == Fast.Image && Literal.MinCount == Fast.MinCount &&
                           Literal.MaxCount == Fast.MaxCount;
    AllIdentical = AllIdentical && Identical;
    std::printf("%-20s %6d %12.1f %12.1f %7.1fx  %s\n", View.Name, Literal.Limit, LiteralMs,
                FastMs, LiteralMs / FastMs, Identical ? "yes" : "NO");
    std::fflush(stdout);
  }
  return AllIdentical ? 0 : 1;
}
