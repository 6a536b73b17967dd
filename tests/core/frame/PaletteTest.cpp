#include "Palette.h"

#include <gtest/gtest.h>

namespace {

std::uint32_t Grey(TColor Color) {
  EXPECT_EQ(Color & 0xFF, (Color >> 8) & 0xFF);
  EXPECT_EQ(Color & 0xFF, (Color >> 16) & 0xFF);
  EXPECT_EQ(Color >> 24, 0u);
  return Color & 0xFF;
}

TEST(PaletteTest, KnownGreyLevelsFromOneToFifty) {
  const TPalette Palette = BuildPalette(1, 50);
  ASSERT_EQ(Palette.size(), 51u);
  EXPECT_EQ(Palette[0], 0u); // below MinCount: never filled
  const std::pair<int, std::uint32_t> Known[] = {{1, 8},    {2, 20},   {9, 87},
                                                  {25, 175}, {49, 252}, {50, 255}};
  for (const auto& [Count, Level] : Known)
    EXPECT_EQ(Grey(Palette[Count]), Level) << "count " << Count;
}

TEST(PaletteTest, LevelsRiseToWhite) {
  const TPalette Palette = BuildPalette(3, 9000);
  for (int K = 4; K <= 9000; ++K)
    ASSERT_GE(Grey(Palette[K]), Grey(Palette[K - 1]));
  EXPECT_EQ(Palette[9000], clWhite);
  EXPECT_EQ(Palette[2], 0u);
}

TEST(PaletteTest, SingleCountIsWhite) {
  const TPalette Palette = BuildPalette(7, 7);
  ASSERT_EQ(Palette.size(), 8u);
  EXPECT_EQ(Palette[7], clWhite);
}

TEST(PaletteTest, NothingEscapedGivesOneBlackEntry) {
  const TPalette Palette = BuildPalette(NoMinCount, NoMaxCount);
  ASSERT_EQ(Palette.size(), 1u);
  EXPECT_EQ(Palette[0], clBlack);
}

} // namespace
