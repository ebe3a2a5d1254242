#include "archive/lzh_match.h"

namespace qx::lzh {

TMatchFinder::TMatchFinder(const uint8_t* text) : Text(text) {
  for (unsigned i = 0; i < kWindow; ++i) {
    Parent[i] = static_cast<uint16_t>(kNone);
    Shared[i] = 0;
  }
  for (unsigned i = 0; i < kLinks; ++i) Left[i] = Right[i] = static_cast<uint16_t>(kNone);
}

void TMatchFinder::Insert(unsigned r) {
  const uint8_t* key = Text + r;
  unsigned p = RootOf(key);
  Left[r] = Right[r] = static_cast<uint16_t>(kNone);
  unsigned common = 1;  // bytes r shares with p; every tree holds a single first byte
  bool goRight = true;
  MatchLength = 0;
  for (;;) {
    uint16_t& link = goRight ? Right[p] : Left[p];
    if (link == kNone) {
      link = static_cast<uint16_t>(r);
      Parent[r] = static_cast<uint16_t>(p);
      Shared[r] = static_cast<uint8_t>(common);
      return;
    }
    const unsigned parentCommon = common;
    p = link;
    const unsigned s = Shared[p];
    if (s < parentCommon) {
      // p leaves the parent's prefix earlier than r does: they differ right there.
      common = s;
      goRight = key[s] > Text[p + s];
    } else if (s == parentCommon) {
      common = CommonFrom(r, p, s);
      if (common < kLookahead) goRight = key[common] > Text[p + common];
    }
    // s above parentCommon: p agrees with the parent beyond where r left it; nothing changes.
    if (common >= kMinMatch) {
      const unsigned code = ((r - p) & kWindowMask) - 1;
      if (common > MatchLength) {
        MatchLength = common;
        MatchCode = code;
        if (common == kLookahead) {
          // Same 60 bytes: the newer position takes the older one's place.
          Parent[r] = Parent[p];
          Left[r] = Left[p];
          Right[r] = Right[p];
          Shared[r] = Shared[p];
          if (Left[p] != kNone) Parent[Left[p]] = static_cast<uint16_t>(r);
          if (Right[p] != kNone) Parent[Right[p]] = static_cast<uint16_t>(r);
          Relink(p, r);
          Parent[p] = static_cast<uint16_t>(kNone);
          return;
        }
      } else if (common == MatchLength && code < MatchCode) {
        MatchCode = code;
      }
    }
  }
}

void TMatchFinder::Delete(unsigned p) {
  if (Parent[p] == kNone) return;
  const unsigned up = Parent[p];
  const unsigned l = Left[p], r = Right[p];
  unsigned q;
  if (r == kNone || l == kNone) {
    q = r == kNone ? l : r;
    if (q != kNone) Shared[q] = static_cast<uint8_t>(MoveUp(q, p, up));
  } else if (Right[l] == kNone) {
    // The left child has no right subtree: it moves up and takes over p's right subtree.
    q = l;
    Shared[q] = static_cast<uint8_t>(MoveUp(q, p, up));
    Right[q] = static_cast<uint16_t>(r);
    Parent[r] = static_cast<uint16_t>(q);
    Shared[r] = static_cast<uint8_t>(Measure(r, q));
  } else {
    // p's predecessor, the rightmost node of its left subtree, takes p's place after handing
    // its own left subtree to its parent.
    q = Right[l];
    while (Right[q] != kNone) q = Right[q];
    const unsigned qUp = Parent[q];
    const unsigned m = Left[q];
    if (m != kNone) {
      Shared[m] = static_cast<uint8_t>(MoveUp(m, q, qUp));
      Parent[m] = static_cast<uint16_t>(qUp);
    }
    Right[qUp] = static_cast<uint16_t>(m);
    Left[q] = static_cast<uint16_t>(l);
    Parent[l] = static_cast<uint16_t>(q);
    Shared[l] = static_cast<uint8_t>(Measure(l, q));
    Right[q] = static_cast<uint16_t>(r);
    Parent[r] = static_cast<uint16_t>(q);
    Shared[r] = static_cast<uint8_t>(Measure(r, q));
    Shared[q] = static_cast<uint8_t>(Measure(q, up));
  }
  if (q != kNone) Parent[q] = static_cast<uint16_t>(up);
  Relink(p, q);
  Parent[p] = static_cast<uint16_t>(kNone);
}

}  // namespace qx::lzh
