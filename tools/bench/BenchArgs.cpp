#include "BenchArgs.h"

#include "RenderArgs.h"

const char* const BenchUsage =
    "Usage: gorvanel-bench [--size WxH] [--threads N] [--runs N] [--group all|main|deep]\n"
    "                      [--kernel default|portable|soft] [--view NAME] [--list]\n"
    "Renders fixed views with the literal renderer, the default one without\n"
    "proofs and the default one, and prints their times, the ratios, the share\n"
    "of samples proved and whether the frames are identical. The last two\n"
    "alternate over --runs runs (default 1), the best of each shown. The group\n"
    "deep holds views at the 80-bit floor, 1e-14 to 1e-18 high. --kernel chooses\n"
    "the loop of every exact iteration: the fastest there is, the portable one, or\n"
    "the software extended real's. --view renders only the view of that name.\n"
    "--list prints the group's views instead, one a line: the name, a tab, and\n"
    "LEFT,TOP,BOTTOM in C hex-float.";

namespace {

constexpr long MaxRuns = 99;

void ApplyBenchOption(const std::string& Name, const std::string& Value, TBenchArgs& Bench) {
  if (Name == "--runs") {
    Bench.Runs = static_cast<int>(ParseWholeNumber(Value, 1, MaxRuns, "--runs"));
  } else if (Name == "--group") {
    if (Value != "all" && Value != "main" && Value != "deep")
      throw TUsageError("--group must be all, main or deep, not '" + Value + "'");
    Bench.Main = Value != "deep";
    Bench.Deep = Value != "main";
  } else if (Name == "--kernel") {
    if (Value == "default")
      Bench.Kernel = TExactKernel::Default;
    else if (Value == "portable")
      Bench.Kernel = TExactKernel::Portable;
    else if (Value == "soft")
      Bench.Kernel = TExactKernel::Soft;
    else
      throw TUsageError("--kernel must be default, portable or soft, not '" + Value + "'");
  } else if (Name == "--view") {
    if (Value.empty())
      throw TUsageError("--view needs the name of a view");
    Bench.View = Value;
  } else if (Name == "--size") {
    // The size and the thread count are read as the render tool reads them.
    const TRenderArgs Render = ParseRenderArgs({Name, Value});
    Bench.Width = Render.Width;
    Bench.Height = Render.Height;
  } else {
    Bench.Threads = ParseRenderArgs({Name, Value}).Threads;
  }
}

} // namespace

TBenchArgs ParseBenchArgs(const std::vector<std::string>& Args) {
  TBenchArgs Bench;
  const TRenderArgs Defaults;
  Bench.Width = Defaults.Width;
  Bench.Height = Defaults.Height;
  for (std::size_t K = 0; K < Args.size(); ++K) {
    const std::string& Arg = Args[K];
    if (Arg == "--help" || Arg == "--list") {
      (Arg == "--help" ? Bench.Help : Bench.List) = true;
      continue;
    }
    const auto Eq = Arg.find('=');
    const std::string Name = Arg.substr(0, Eq);
    if (Name != "--size" && Name != "--threads" && Name != "--runs" && Name != "--group" &&
        Name != "--kernel" && Name != "--view")
      throw TUsageError("gorvanel-bench takes only --size, --threads, --runs, --group, --kernel, "
                        "--view and --list, not '" + Arg + "'");
    std::string Value;
    if (Eq != std::string::npos) {
      Value = Arg.substr(Eq + 1);
    } else if (K + 1 < Args.size()) {
      Value = Args[++K];
    } else {
      throw TUsageError(Name + " needs a value");
    }
    ApplyBenchOption(Name, Value, Bench);
  }
  return Bench;
}
