#pragma once

#include "ExactKernel.h"

#include <cstdint>
#include <string>
#include <vector>

// What gorvanel-bench was asked to do: the size of every frame, the render
// threads (0: every hardware thread), how many interleaved runs, and which
// groups of views, or which one view of them.
struct TBenchArgs {
  bool Help = false;
  bool List = false; // print the views, render none
  std::int32_t Width = 0, Height = 0;
  int Threads = 0;
  int Runs = 1;
  bool Main = true, Deep = true;
  std::string View; // the one view to render, by name; empty: all
  TExactKernel Kernel = TExactKernel::Default;
};

// Parses the arguments after the program name: --size, --threads, --runs,
// --group, --kernel, --view, --list and --help, each value after a space or an equals sign. Anything
// else is refused, so that a benchmark never runs other than it was asked.
// Throws TUsageError.
TBenchArgs ParseBenchArgs(const std::vector<std::string>& Args);

extern const char* const BenchUsage;
