// gorvanel-render: renders any view headless, exactly as the viewer shows it.

#include "ImageFile.h"
#include "InterruptCleanup.h"
#include "MemoryCheck.h"
#include "ProgressLine.h"
#include "RenderArgs.h"
#include "RenderMandelbrot.h"
#include "View.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int ExitUsage = 2;
constexpr int ExitFailure = 1;

int Run(const TRenderArgs& Args) {
  if (Args.Action == TRenderArgs::TAction::Help) {
    std::fputs(RenderUsage, stdout);
    return 0;
  }
  if (Args.Action == TRenderArgs::TAction::Version) {
    std::printf("gorvanel-render %s\n", GORVANEL_VERSION);
    return 0;
  }
  const bool Png = !Args.Output.empty() && !TAtomicImageFile::IsPgm(Args.Output);
  const std::uint64_t Needed = RenderMemoryNeeded(Args.Width, Args.Height, Png);
  if (const std::uint64_t Available = MemoryAvailable(); Needed > Available) {
    std::fprintf(stderr,
                 "gorvanel-render: a %dx%d render needs about %llu MiB of memory; only %llu MiB "
                 "are available\n",
                 Args.Width, Args.Height, static_cast<unsigned long long>(Needed >> 20),
                 static_cast<unsigned long long>(Available >> 20));
    return ExitFailure;
  }
  std::unique_ptr<TAtomicImageFile> File;
  if (!Args.Output.empty())
    File = std::make_unique<TAtomicImageFile>(Args.Output);
  const TInterruptCleanup Cleanup(File ? File->TemporaryPath() : std::string());

  const TExtended Right =
      Args.Right ? *Args.Right
                 : ViewRight(Args.Top, Args.Left, Args.Bottom, Args.Width, Args.Height);
  TRenderOptions Options;
  Options.Threads = Args.Threads;
  Options.Literal = Args.Literal;
  Options.Proofs = Args.Proofs;
  TRenderProgress Progress;
  Options.Progress = &Progress;
  const auto Start = std::chrono::steady_clock::now();
  TFrame Frame;
  {
    const TProgressLine Line(Progress, !Args.Quiet && TProgressLine::StderrIsTerminal());
    Frame = RenderFrame({Args.Left, Args.Top}, {Right, Args.Bottom}, Args.Width, Args.Height,
                        Options);
  }
  const auto Elapsed = std::chrono::steady_clock::now() - Start;
  if (File)
    File->Commit(Frame.Image);
  std::printf("limit=%d min=%d max=%d ms=%lld\n", Frame.Limit, Frame.MinCount, Frame.MaxCount,
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(Elapsed).count()));
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  try {
    const TRenderArgs Args = ParseRenderArgs(std::vector<std::string>(argv + 1, argv + argc));
    return Run(Args);
  } catch (const TUsageError& Error) {
    std::fprintf(stderr, "gorvanel-render: %s\n", Error.what());
    return ExitUsage;
  } catch (const TImageFileError& Error) {
    std::fprintf(stderr, "gorvanel-render: %s\n", Error.what());
    return ExitUsage;
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "gorvanel-render: %s\n", Error.what());
    return ExitFailure;
  }
}
