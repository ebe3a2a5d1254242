#include "archive/lzh_match.h"

namespace qx::lzh {

MatchFinder::MatchFinder(const uint8_t* text) : text_(text) {
  for (unsigned i = 0; i < kWindow; ++i) {
    parent_[i] = static_cast<uint16_t>(kNone);
    shared_[i] = 0;
  }
  for (unsigned i = 0; i < kLinks; ++i) left_[i] = right_[i] = static_cast<uint16_t>(kNone);
}

void MatchFinder::Insert(unsigned r) {
  const uint8_t* key = text_ + r;
  unsigned p = RootOf(key);
  left_[r] = right_[r] = static_cast<uint16_t>(kNone);
  unsigned common = 1;  // bytes r shares with p; every tree holds a single first byte
  bool goRight = true;
  MatchLength = 0;
  for (;;) {
    uint16_t& link = goRight ? right_[p] : left_[p];
    if (link == kNone) {
      link = static_cast<uint16_t>(r);
      parent_[r] = static_cast<uint16_t>(p);
      shared_[r] = static_cast<uint8_t>(common);
      return;
    }
    const unsigned parentCommon = common;
    p = link;
    const unsigned s = shared_[p];
    if (s < parentCommon) {
      // p leaves the parent's prefix earlier than r does: they differ right there.
      common = s;
      goRight = key[s] > text_[p + s];
    } else if (s == parentCommon) {
      common = CommonFrom(r, p, s);
      if (common < kLookahead) goRight = key[common] > text_[p + common];
    }
    // s above parentCommon: p agrees with the parent beyond where r left it; nothing changes.
    if (common >= kMinMatch) {
      const unsigned code = ((r - p) & kWindowMask) - 1;
      if (common > MatchLength) {
        MatchLength = common;
        MatchCode = code;
        if (common == kLookahead) {
          // Same 60 bytes: the newer position takes the older one's place.
          parent_[r] = parent_[p];
          left_[r] = left_[p];
          right_[r] = right_[p];
          shared_[r] = shared_[p];
          if (left_[p] != kNone) parent_[left_[p]] = static_cast<uint16_t>(r);
          if (right_[p] != kNone) parent_[right_[p]] = static_cast<uint16_t>(r);
          Relink(p, r);
          parent_[p] = static_cast<uint16_t>(kNone);
          return;
        }
      } else if (common == MatchLength && code < MatchCode) {
        MatchCode = code;
      }
    }
  }
}

void MatchFinder::Delete(unsigned p) {
  if (parent_[p] == kNone) return;
  const unsigned up = parent_[p];
  const unsigned l = left_[p], r = right_[p];
  unsigned q;
  if (r == kNone || l == kNone) {
    q = r == kNone ? l : r;
    if (q != kNone) shared_[q] = static_cast<uint8_t>(MoveUp(q, p, up));
  } else if (right_[l] == kNone) {
    // The left child has no right subtree: it moves up and takes over p's right subtree.
    q = l;
    shared_[q] = static_cast<uint8_t>(MoveUp(q, p, up));
    right_[q] = static_cast<uint16_t>(r);
    parent_[r] = static_cast<uint16_t>(q);
    shared_[r] = static_cast<uint8_t>(Measure(r, q));
  } else {
    // p's predecessor, the rightmost node of its left subtree, takes p's place after handing
    // its own left subtree to its parent.
    q = right_[l];
    while (right_[q] != kNone) q = right_[q];
    const unsigned qUp = parent_[q];
    const unsigned m = left_[q];
    if (m != kNone) {
      shared_[m] = static_cast<uint8_t>(MoveUp(m, q, qUp));
      parent_[m] = static_cast<uint16_t>(qUp);
    }
    right_[qUp] = static_cast<uint16_t>(m);
    left_[q] = static_cast<uint16_t>(l);
    parent_[l] = static_cast<uint16_t>(q);
    shared_[l] = static_cast<uint8_t>(Measure(l, q));
    right_[q] = static_cast<uint16_t>(r);
    parent_[r] = static_cast<uint16_t>(q);
    shared_[r] = static_cast<uint8_t>(Measure(r, q));
    shared_[q] = static_cast<uint8_t>(Measure(q, up));
  }
  if (q != kNone) parent_[q] = static_cast<uint16_t>(up);
  Relink(p, q);
  parent_[p] = static_cast<uint16_t>(kNone);
}

}  // namespace qx::lzh
