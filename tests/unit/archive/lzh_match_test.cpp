// The "LZH" match finder against a brute-force search: the binary trees with their shared
// lengths must find the longest match in the window at every position, across insertions,
// replacements of equal strings and deletions as the window slides.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "archive/lzh_match.h"

using namespace qx::lzh;

namespace {

class Slider {
public:
  explicit Slider(std::vector<uint8_t> data) : Data(std::move(data)) {
    std::fill(Text, Text + kFirstWrite, kFill);
    std::fill(Text + kWindow, Text + kWindow + kTailCopy, kFill);
    std::fill(Text + kWindow + kTailCopy, Text + sizeof Text, 0);
    for (unsigned i = 0; i < kLookahead && i < Data.size(); ++i) Text[kFirstWrite + i] = Data[i];
    Next = kLookahead;
    Finder = std::make_unique<TMatchFinder>(Text);
  }

  unsigned Common(unsigned a, unsigned b) const {
    unsigned n = 0;
    while (n < kLookahead && Text[a + n] == Text[b + n]) ++n;
    return n;
  }

  // Inserts r and checks the reported match against every position the finder holds.
  void InsertAndCheck(unsigned r) {
    unsigned best = 0;
    for (unsigned p = 0; p < kWindow; ++p)
      if (Held[p] && p != r) best = std::max(best, Common(r, p));
    Finder->Insert(r);
    Held[r] = true;
    ++Checked;
    const unsigned got = Finder->MatchLength;
    ASSERT_EQ(got, best >= kMinMatch ? best : 0u) << "position " << r << " step " << Checked;
    if (got == 0) return;
    const unsigned p = (r - Finder->MatchCode - 1) & kWindowMask;
    ASSERT_TRUE(Held[p]);
    ASSERT_EQ(Common(r, p), got);
    if (got == kLookahead) Held[p] = false;  // the newer copy took its place
  }

  void Run() {
    unsigned r = kFirstWrite, s = 0;
    for (unsigned i = 1; i <= kLookahead; ++i) {
      InsertAndCheck(r - i);
      if (::testing::Test::HasFatalFailure()) return;
    }
    InsertAndCheck(r);
    while (Next < Data.size() && !::testing::Test::HasFatalFailure()) {
      Finder->Delete(s);
      Held[s] = false;
      Text[s] = Data[Next++];
      if (s < kLookahead - 1) Text[s + kWindow] = Text[s];
      s = (s + 1) & kWindowMask;
      r = (r + 1) & kWindowMask;
      InsertAndCheck(r);
    }
  }

private:
  std::vector<uint8_t> Data;
  size_t Next = 0;
  uint8_t Text[kWindowBytes];
  bool Held[kWindow] = {};
  unsigned Checked = 0;
  std::unique_ptr<TMatchFinder> Finder;
};

}  // namespace

TEST(LzhMatchFinder, FindsTheLongestMatchWhileTheWindowSlides) {
  std::mt19937 rng(5);
  std::vector<uint8_t> data;
  // Few letters: deep trees with many equal prefixes; runs: strings of 60 equal bytes that
  // replace each other; repeated phrases with changes: long matches that end at every length.
  for (int i = 0; i < 5000; ++i) data.push_back("ab"[rng() % 2]);
  for (int i = 0; i < 1500; ++i) data.push_back(i % 700 < 350 ? 'a' : static_cast<uint8_t>('a' + i % 3));
  std::vector<uint8_t> phrase;
  for (int i = 0; i < 90; ++i) phrase.push_back(static_cast<uint8_t>('a' + rng() % 3));
  while (data.size() < 13000) {
    phrase[rng() % phrase.size()] = static_cast<uint8_t>('a' + rng() % 3);
    data.insert(data.end(), phrase.begin(), phrase.begin() + static_cast<long>(rng() % phrase.size()));
  }
  Slider slider(data);
  slider.Run();
}
