// The page's viewer without a browser: what an address may hold, and the
// window's behaviour (zoom, going back, held input) as the page has it.

#include "Address.h"
#include "View.h"
#include "WebViewer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

bool SameBits(TExtended A, TExtended B) { return ExtendedBits(A) == ExtendedBits(B); }

TEST(WebViewerTest, AddressesThatHoldNoView) {
  const char* const Refused[] = {
      "#view=nan,1,0",        "#view=0,1,1",          "#view=1e5000,1,0",      "#view=inf,1,0",
      "#view=1,2",            "#view=1,2,3,4",        "#view=0x1p+0,zz,0",     "#zoom=3",
      "#view=%zz",            "#view=1%00,1,0",       "#view= 1,1,0",          "#view=1,1,0x",
      "#view=,,",             "#view=-1e4931,1e4931,-1e4931", "#view=0,0x1p16383,-0x1p16383",
      "#kernel=gpu&zoom=3",
  };
  for (const char* Fragment : Refused) {
    std::string Error;
    EXPECT_FALSE(ReadAddress(Fragment, 577, 353, Error)) << Fragment;
    EXPECT_FALSE(Error.empty()) << Fragment;
  }
  std::string Error;
  EXPECT_FALSE(ReadAddress("#view=" + std::string(1000, '9'), 577, 353, Error));
}

TEST(WebViewerTest, AddressesThatHoldAView) {
  struct TCase {
    const char* Fragment;
    TExtended Left, Top, Bottom;
  };
  const TCase Cases[] = {
      {"", StartViewLeft, StartViewTop, StartViewBottom},
      {"#", StartViewLeft, StartViewTop, StartViewBottom},
      {"#view=-0xap-2,0xap-3,-0xap-3", -2.5L, 1.25L, -1.25L},
      {"view=-2.5,1.25,-1.25", -2.5L, 1.25L, -1.25L},
      {"#view=-0xap-2%2C0xap-3%2c-0xap-3", -2.5L, 1.25L, -1.25L},
      {"#kernel=cpu&view=0.1,0.2,0.1&x", 0.1L, 0.2L, 0.1L},
      {"#kernel=gpu", StartViewLeft, StartViewTop, StartViewBottom},
      {"#view=0.1,-0.2,0.3", 0.1L, -0.2L, 0.3L}, // edges in any order, as the render tool takes them
  };
  for (const TCase& Case : Cases) {
    std::string Error;
    const auto View = ReadAddress(Case.Fragment, 577, 353, Error);
    ASSERT_TRUE(View) << Case.Fragment << ": " << Error;
    EXPECT_TRUE(SameBits(View->Left, Case.Left) && SameBits(View->Top, Case.Top) &&
                SameBits(View->Bottom, Case.Bottom))
        << Case.Fragment;
  }
}

// Every view's address reads back to the bit, and nothing in an address
// crashes or hangs the reader: random texts from the characters numbers
// and addresses are made of, and random damage to real addresses.
TEST(WebViewerTest, AddressesReadBackAndSurviveAnything) {
  std::mt19937_64 Random(20261210);
  for (int K = 0; K < 20000; ++K) {
    // Random edges of every sign near -1 to 1, and heights down to the
    // 80-bit floor: the bits themselves.
    const auto Edge = [&](int Exponent) {
      return FromExtendedBits(SoftExtended::Make((Random() & 1) != 0,
                                                 SoftExtended::ExponentBias + Exponent,
                                                 Random() | SoftExtended::IntegerBit));
    };
    const TViewEdges View{Edge(-static_cast<int>(Random() % 70)), Edge(-static_cast<int>(Random() % 4)),
                          Edge(-static_cast<int>(Random() % 4))};
    if (View.Top == View.Bottom)
      continue;
    std::string Error;
    const auto Back = ReadAddress(AddressOf(View), 577, 353, Error);
    ASSERT_TRUE(Back) << AddressOf(View) << ": " << Error;
    ASSERT_TRUE(SameBits(Back->Left, View.Left) && SameBits(Back->Top, View.Top) &&
                SameBits(Back->Bottom, View.Bottom))
        << AddressOf(View);
  }
  const std::string Alphabet = "0123456789abcdefxXpP.,+-eEinfa=&%#view ";
  const std::string Valid = "#view=-0xb.e5f721eb1e5f29dp-4,0x8.6fd5ead4f4d6c49p-6,0x8.6fd5ead4f4d6c42p-6";
  for (int K = 0; K < 100000; ++K) {
    std::string Text = K % 2 ? Valid : "#view=";
    const int Changes = 1 + static_cast<int>(Random() % 12);
    for (int C = 0; C < Changes; ++C) {
      const std::size_t At = Random() % (Text.size() + 1);
      const char Char = Alphabet[Random() % Alphabet.size()];
      if (Random() % 3 == 0 && At < Text.size())
        Text.erase(At, 1);
      else
        Text.insert(At, 1, Char);
    }
    std::string Error;
    if (const auto View = ReadAddress(Text, 577, 353, Error)) {
      ASSERT_TRUE(IsFinite(View->Left) && IsFinite(View->Top) && IsFinite(View->Bottom)) << Text;
      ASSERT_FALSE(View->Top == View->Bottom) << Text;
    } else {
      ASSERT_FALSE(Error.empty()) << Text;
    }
  }
}

TWindowInput Mouse(TWindowInput::TKind Kind, TMouseButton Button, std::int32_t X, std::int32_t Y) {
  return {Kind, Button, 0, X, Y};
}

// The page's viewer zooms, goes back and judges held input as the window:
// by the same rule and the same arithmetic.
TEST(WebViewerTest, ZoomsAndGoesBackAsTheWindow) {
  using K = TWindowInput::TKind;
  TWebViewer Viewer;
  ASSERT_TRUE(Viewer.Open("", 577, 353));
  Viewer.Paint();
  EXPECT_EQ(Viewer.Input(Mouse(K::MouseDown, TMouseButton::mbLeft, 300, 200)), TInputEffect::None);
  EXPECT_EQ(Viewer.Input(Mouse(K::MouseMove, TMouseButton::mbLeft, 100, 80)), TInputEffect::DrawBand);
  EXPECT_EQ(Viewer.Input(Mouse(K::MouseUp, TMouseButton::mbLeft, 100, 80)), TInputEffect::Zoom);
  EXPECT_EQ(Viewer.Depth(), 1u);
  const TViewEdges Zoomed = ZoomedView({StartViewTop, StartViewLeft, StartViewBottom}, 353, 100, 80, 200);
  EXPECT_EQ(Viewer.Address(), AddressOf(Zoomed));

  // While the zoom renders: a right click would go back, so the picture is
  // never shown; Esc outside a drag closes no page.
  Viewer.Hold();
  EXPECT_EQ(Viewer.Held({K::Key, TMouseButton::mbLeft, EscapeKey}), TWebViewer::THeld::Undecided);
  EXPECT_EQ(Viewer.Held(Mouse(K::MouseDown, TMouseButton::mbRight, 5, 5)),
            TWebViewer::THeld::DiscardsPicture);
  Viewer.Hold();
  EXPECT_EQ(Viewer.Held(Mouse(K::MouseDown, TMouseButton::mbLeft, 5, 5)), TWebViewer::THeld::Undecided);
  EXPECT_EQ(Viewer.Held(Mouse(K::MouseMove, TMouseButton::mbLeft, 50, 50)),
            TWebViewer::THeld::NeedsPicture);

  Viewer.Abandon();
  EXPECT_EQ(Viewer.Input(Mouse(K::MouseDown, TMouseButton::mbRight, 5, 5)), TInputEffect::GoBack);
  EXPECT_TRUE(Viewer.Back());
  EXPECT_EQ(Viewer.Depth(), 0u);
  EXPECT_EQ(Viewer.Address(), AddressOf({StartViewTop, StartViewLeft, StartViewBottom}));
  EXPECT_FALSE(Viewer.Back());
  // At the first view a right click during a render changes nothing.
  Viewer.Hold();
  EXPECT_EQ(Viewer.Held(Mouse(K::MouseDown, TMouseButton::mbRight, 5, 5)), TWebViewer::THeld::Undecided);
}

} // namespace
