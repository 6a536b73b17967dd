#pragma once

// Which loop iterates the samples that are iterated exactly (the frame's,
// and the proofs' probes): the fastest there is (the x87 kernel where it
// can be built), the portable loop one sample at a time, or the software
// extended real's kernel. All give the literal loop's counts.
enum class TExactKernel { Default, Portable, Soft };
