// The render tool's command line, case by case: what each accepted line
// asks for, and the one-line message of each refused one.

#include "ParamName.h"
#include "BenchArgs.h"
#include "RenderArgs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TArgv = std::vector<std::string>;

struct TAccepted {
  const char* Name;
  TArgv Argv;
  TRenderArgs Want;
};

TRenderArgs With(void (*Change)(TRenderArgs&)) {
  TRenderArgs Args;
  Change(Args);
  return Args;
}

const TAccepted Accepted[] = {
    {"nothing: the start view", {}, {}},
    {"size", {"--size", "640x480"}, With([](TRenderArgs& A) { A.Width = 640, A.Height = 480; })},
    {"size joined", {"--size=1x16384"}, With([](TRenderArgs& A) { A.Width = 1, A.Height = 16384; })},
    {"output", {"--output", "a.png"}, With([](TRenderArgs& A) { A.Output = "a.png"; })},
    {"output joined", {"--output=-x.pgm"}, With([](TRenderArgs& A) { A.Output = "-x.pgm"; })},
    {"threads", {"--threads", "1024"}, With([](TRenderArgs& A) { A.Threads = 1024; })},
    {"flags", {"--literal", "--no-proofs", "--quiet"},
     With([](TRenderArgs& A) { A.Literal = true, A.Proofs = false, A.Quiet = true; })},
    {"help wins over coordinates", {"1", "--help"},
     With([](TRenderArgs& A) { A.Action = TRenderArgs::TAction::Help; })},
    {"version", {"--version"}, With([](TRenderArgs& A) { A.Action = TRenderArgs::TAction::Version; })},
    {"three coordinates", {"-1", "0.5", "-0.5"},
     With([](TRenderArgs& A) { A.Left = -1, A.Top = 0.5L, A.Bottom = -0.5L; })},
    {"four coordinates, hex", {"--", "-0x1p1", "0x1p-1", "1", "-.5"},
     With([](TRenderArgs& A) { A.Left = -2, A.Top = 0.5L, A.Right = 1, A.Bottom = -0.5L; })},
    {"options among coordinates", {"-1", "--quiet", "1", "-1"},
     With([](TRenderArgs& A) { A.Left = -1, A.Top = 1, A.Bottom = -1, A.Quiet = true; })},
};

class AcceptedTest : public testing::TestWithParam<TAccepted> {};

TEST_P(AcceptedTest, GivesWhatWasAsked) {
  const TRenderArgs Got = ParseRenderArgs(GetParam().Argv), &Want = GetParam().Want;
  EXPECT_EQ(Got.Action, Want.Action);
  EXPECT_EQ(Got.Width, Want.Width);
  EXPECT_EQ(Got.Height, Want.Height);
  EXPECT_EQ(Got.Output, Want.Output);
  EXPECT_EQ(Got.Threads, Want.Threads);
  EXPECT_EQ(Got.Literal, Want.Literal);
  EXPECT_EQ(Got.Proofs, Want.Proofs);
  EXPECT_EQ(Got.Quiet, Want.Quiet);
  EXPECT_TRUE(Got.Left == Want.Left && Got.Top == Want.Top && Got.Bottom == Want.Bottom);
  EXPECT_EQ(Got.Right.has_value(), Want.Right.has_value());
  if (Got.Right && Want.Right) {
    EXPECT_TRUE(*Got.Right == *Want.Right);
  }
}

INSTANTIATE_TEST_SUITE_P(Lines, AcceptedTest, testing::ValuesIn(Accepted), TParamName());

struct TRefused {
  TArgv Argv;
  const char* Message;
};

const TRefused Refused[] = {
    {{"--size"}, "option --size needs a value"},
    {{"--size", "640"}, "size must have the form WxH (for example 577x353), not '640'"},
    {{"--size", "0x10"}, "the width in --size must be from 1 to 16384, not 0"},
    {{"--size", "10x16385"}, "the height in --size must be from 1 to 16384, not 16385"},
    {{"--size", "+5x5"}, "the width in --size must be a whole number from 1 to 16384, not '+5'"},
    {{"--threads", "0"}, "--threads must be from 1 to 1024, not 0"},
    {{"--threads", "1234567890"}, "--threads must be a whole number from 1 to 1024, not '1234567890'"},
    {{"--output="}, "--output needs a file name"},
    {{"--quiet=yes"}, "option --quiet takes no value"},
    {{"--bogus"}, "unknown option '--bogus' (see --help)"},
    {{"-x"}, "unknown option '-x' (see --help)"},
    {{"1", "2"}, "expected 3 or 4 coordinates (LEFT TOP [RIGHT] BOTTOM), got 2"},
    {{"1", "2", "3", "4", "5"}, "expected 3 or 4 coordinates (LEFT TOP [RIGHT] BOTTOM), got 5"},
    {{"1", "two", "3"}, "'two' is not a number"},
    {{"1", " 2", "3"}, "' 2' is not a number"},
    {{"1", "2x", "3"}, "unexpected characters 'x' after the number in '2x'"},
    {{"1", "1e5000", "3"}, "'1e5000' is not a finite extended-precision number"},
    {{"1", "nan", "3"}, "'nan' is not a finite extended-precision number"},
};

// Parse must refuse the line with exactly the message.
template <class TParse> void ExpectRefused(TParse Parse, const TRefused& Case) {
  try {
    Parse(Case.Argv);
    ADD_FAILURE() << "accepted";
  } catch (const TUsageError& Error) {
    EXPECT_STREQ(Error.what(), Case.Message);
  }
}

class RefusedTest : public testing::TestWithParam<TRefused> {};

TEST_P(RefusedTest, SaysWhatIsWrong) { ExpectRefused(ParseRenderArgs, GetParam()); }

INSTANTIATE_TEST_SUITE_P(Lines, RefusedTest, testing::ValuesIn(Refused));

// The benchmark refuses whatever it would otherwise ignore and run anyway.
const TRefused BenchRefused[] = {
    {{"--no-proofs"}, "gorvanel-bench takes only --size, --threads, --runs, --group, --kernel, --view and --list, not '--no-proofs'"},
    {{"--quiet"}, "gorvanel-bench takes only --size, --threads, --runs, --group, --kernel, --view and --list, not '--quiet'"},
    {{"-1", "1", "-1"}, "gorvanel-bench takes only --size, --threads, --runs, --group, --kernel, --view and --list, not '-1'"},
    {{"--runs"}, "--runs needs a value"},
    {{"--runs=0"}, "--runs must be from 1 to 99, not 0"},
    {{"--group", "fast"}, "--group must be all, main or deep, not 'fast'"},
    {{"--size", "9"}, "size must have the form WxH (for example 577x353), not '9'"},
    {{"--kernel", "x86"}, "--kernel must be default, portable or soft, not 'x86'"},
    {{"--view="}, "--view needs the name of a view"},
};

class BenchRefusedTest : public testing::TestWithParam<TRefused> {};

TEST_P(BenchRefusedTest, SaysWhatIsWrong) { ExpectRefused(ParseBenchArgs, GetParam()); }

INSTANTIATE_TEST_SUITE_P(Lines, BenchRefusedTest, testing::ValuesIn(BenchRefused));

TEST(BenchArgsTest, TakesEachOptionBothWays) {
  const TBenchArgs Args =
      ParseBenchArgs({"--size=64x32", "--threads", "3", "--runs", "2", "--group=deep", "--kernel=soft",
                      "--view", "bulb edge 1e-16", "--list"});
  EXPECT_EQ(Args.Width, 64);
  EXPECT_EQ(Args.Height, 32);
  EXPECT_EQ(Args.Threads, 3);
  EXPECT_EQ(Args.Runs, 2);
  EXPECT_FALSE(Args.Main);
  EXPECT_TRUE(Args.Deep);
  EXPECT_EQ(Args.Kernel, TExactKernel::Soft);
  EXPECT_EQ(Args.View, "bulb edge 1e-16");
  EXPECT_TRUE(Args.List);
  EXPECT_EQ(ParseBenchArgs({}).Width, DefaultImageWidth);
  EXPECT_FALSE(ParseBenchArgs({}).List);
}

} // namespace
