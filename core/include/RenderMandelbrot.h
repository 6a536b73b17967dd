#pragma once

#include "Bitmap.h"
#include "ExactKernel.h"
#include "Extended.h"
#include "ProofOptions.h"

#include <atomic>
#include <cstdint>
#include <stdexcept>
#ifndef GORVANEL_NO_THREADS
#include <stop_token>
#endif

// How a render is asked to stop. Where there are no threads (WebAssembly)
// nothing can ask while it runs: the page stops a worker's render by ending
// the worker.
#ifdef GORVANEL_NO_THREADS
struct TStopToken {
  bool stop_requested() const noexcept { return false; }
};
#else
using TStopToken = std::stop_token;
#endif

// A rendered frame with the figures that shaped its grey levels.
struct TFrame {
  TBitmap Image;
  std::int32_t Limit = 0;    // the iteration limit used
  std::int32_t MinCount = 0; // smallest escape count, 10000 when none escaped
  std::int32_t MaxCount = 0; // largest escape count, 0 when none escaped
  std::int64_t ProvedSamples = 0; // samples settled by proofs of their tiles, not iterated
};

// How far a render has come, for a caller that shows it from another thread:
// Done of Total samples; Proving while whole tiles are being proved, before
// samples are counted.
struct TRenderProgress {
  std::atomic<std::int64_t> Done{0};
  std::atomic<std::int64_t> Total{0};
  std::atomic<bool> Proving{false};
};

// The count of a sample left to another kernel (TRenderOptions::LeaveOpen).
inline constexpr std::int32_t OpenCount = -1;

struct TRenderOptions {
  int Threads = 0;      // 0: every hardware thread
  bool Literal = false; // the literal single-thread reference instead
  // The loop for every exact iteration (the frame's samples and the
  // proofs' probes alike).
  TExactKernel Kernel = TExactKernel::Default;
  bool Proofs = true;  // settle tiles and orbits by proofs where they succeed
  TProofOptions Proof; // tile sizes of those proofs
  // For tests: iterate every sample settled before the kernels (proved, or
  // a probe's count) again with the literal loop, and throw
  // std::logic_error where a count differs.
  bool CheckProofs = false;
  // Leave the samples that the proofs do not settle to another kernel (the
  // page's GPU): their count is OpenCount.
  bool LeaveOpen = false;
  TRenderProgress* Progress = nullptr; // updated while rendering when given
  // A render asked to stop ends within a block of iterations per lane (a
  // hundred or so; a tile's proof at most) and throws TRenderStopped, its
  // threads gone by then. The literal renderer does not look.
  TStopToken Stop;
};

// Thrown by a render that was asked to stop: it has no image.
class TRenderStopped : public std::runtime_error {
public:
  TRenderStopped() : std::runtime_error("render stopped") {}
};

// Renders the view with corners TopLeft (left, top) and BottomRight (right,
// bottom) into a new Width x Height grey-level image. The edges are taken as
// they come, in any order; the iteration limit follows the view's height.
// Throws std::invalid_argument when Width or Height is below 1.
TBitmap RenderMandelbrot(const TExtPoint& TopLeft, const TExtPoint& BottomRight,
                         std::int32_t Width, std::int32_t Height);

// The same, with the frame's figures and a choice of renderer.
TFrame RenderFrame(const TExtPoint& TopLeft, const TExtPoint& BottomRight, std::int32_t Width,
                   std::int32_t Height, const TRenderOptions& Options = {});

// The literal algorithm: one thread, one sample at a time, no shortcuts. Kept
// as the reference the fast renderer must match bit for bit.
TFrame RenderFrameLiteral(const TExtPoint& TopLeft, const TExtPoint& BottomRight,
                          std::int32_t Width, std::int32_t Height);
