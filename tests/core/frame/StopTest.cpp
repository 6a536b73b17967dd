// A render asked to stop: it throws TRenderStopped soon after, in whichever
// phase it was, and a stop token that is never triggered changes nothing.

#include "RenderMandelbrot.h"
#include "WorkQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <stop_token>
#include <thread>

namespace {

// The edge of a small bulb, 2e-5 high: nothing there can be proved and every
// sample iterates long, about a second for this size on one thread.
constexpr TExtPoint BulbTopLeft{-0.21260217814L, 0.64330584550L};
constexpr TExtPoint BulbBottomRight{-0.21256948506L, 0.64328584550L};
constexpr std::int32_t Width = 320, Height = 196;

TRenderOptions Stoppable(std::stop_source& Source, TRenderProgress& Progress, int Threads) {
  TRenderOptions Options;
  Options.Threads = Threads;
  Options.Stop = Source.get_token();
  Options.Progress = &Progress;
  return Options;
}

// Waits (without a time limit: a slow machine only makes it slower) until
// Ready holds or the render has ended.
template <class TReady> void WaitUntil(const std::future<void>& Render, TReady Ready) {
  while (!Ready() && Render.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
  }
}

} // namespace

TEST(StopTest, StoppedBeforeItStartsThrowsAtOnce) {
  std::stop_source Source;
  Source.request_stop();
  TRenderProgress Progress;
  TRenderOptions Options = Stoppable(Source, Progress, 2);
  EXPECT_THROW(RenderFrame(BulbTopLeft, BulbBottomRight, Width, Height, Options), TRenderStopped);
  EXPECT_EQ(Progress.Done, 0); // no sample was handed out
  Options.Proofs = false;
  EXPECT_THROW(RenderFrame(BulbTopLeft, BulbBottomRight, Width, Height, Options), TRenderStopped);
}

// Stopped while the kernels run, on one thread and on three: at most one run
// of samples per thread is handed out after the stop, far from all of them.
TEST(StopTest, StoppedMidRenderHandsOutNoMoreWork) {
  for (const int Threads : {1, 3}) {
    for (const bool PortableKernel : {false, true}) {
      std::stop_source Source;
      TRenderProgress Progress;
      TRenderOptions Options = Stoppable(Source, Progress, Threads);
      Options.Kernel = PortableKernel ? TExactKernel::Portable : TExactKernel::Default;
      std::future<void> Render = std::async(std::launch::async, [&] {
        RenderFrame(BulbTopLeft, BulbBottomRight, Width, Height, Options);
      });
      WaitUntil(Render, [&] { return Progress.Done > 0; });
      Source.request_stop();
      const std::int64_t DoneAtStop = Progress.Done;
      EXPECT_THROW(Render.get(), TRenderStopped) << Threads << " threads";
      EXPECT_LE(Progress.Done - DoneAtStop, TWorkQueue::RunLength * Threads);
      EXPECT_LT(Progress.Done, Progress.Total / 4);
    }
  }
}

// Stopped while whole tiles are being proved (a view of the set's interior,
// where they all are): the render ends without reaching the kernels.
TEST(StopTest, StoppedWhileProvingEndsThere) {
  std::stop_source Source;
  TRenderProgress Progress;
  TRenderOptions Options = Stoppable(Source, Progress, 2);
  Options.Proof.TileSize = 8; // many small tiles: the stop falls among them
  std::future<void> Render = std::async(std::launch::async, [&] {
    RenderFrame({-0.3L, 0.3L}, {0.1L, -0.3L}, 1200, 900, Options);
  });
  WaitUntil(Render, [&] { return Progress.Proving.load(); });
  Source.request_stop();
  EXPECT_THROW(Render.get(), TRenderStopped);
  EXPECT_EQ(Progress.Done, 0);
}

// A token that is never stopped: the same picture as without one.
TEST(StopTest, UntriggeredTokenChangesNothing) {
  std::stop_source Source;
  TRenderProgress Progress;
  const TRenderOptions Options = Stoppable(Source, Progress, 2);
  const TExtPoint TopLeft{-0.74377L, 0.13193L}, BottomRight{-0.74352L, 0.13172L};
  const TFrame Plain = RenderFrame(TopLeft, BottomRight, 120, 100);
  const TFrame Watched = RenderFrame(TopLeft, BottomRight, 120, 100, Options);
  EXPECT_TRUE(Plain.Image == Watched.Image);
  EXPECT_EQ(Progress.Done, Progress.Total);
}
