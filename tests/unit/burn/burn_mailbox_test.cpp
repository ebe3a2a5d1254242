// The mailbox between the burn workers and the window: a ring shows the oldest waiting report of
// its kind, a ring with nothing waiting shows nothing, whatever the ringing message carried.
#include "burn/burn_mailbox.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace qx {
namespace {

TEST(BurnMailbox, ARingWithNothingWaitingTakesNothing) {
  TBurnMailbox mailbox;
  std::string text = "unchanged";
  int position = 7, maximum = 9;
  EXPECT_FALSE(mailbox.TakeText(text));
  EXPECT_FALSE(mailbox.TakeProgress(position, maximum));
  EXPECT_EQ(text, "unchanged");
  EXPECT_EQ(position, 7);
  EXPECT_EQ(maximum, 9);
}

TEST(BurnMailbox, ReportsComeOutOnceInTheirOrderAndTheKindsStayApart) {
  TBurnMailbox mailbox;
  mailbox.PutText("first\r\n");
  mailbox.PutProgress(12, 100);
  mailbox.PutText("");
  mailbox.PutProgress(96, 100);
  std::string text;
  int position = 0, maximum = 0;
  ASSERT_TRUE(mailbox.TakeProgress(position, maximum));
  EXPECT_EQ(position, 12);
  EXPECT_EQ(maximum, 100);
  ASSERT_TRUE(mailbox.TakeText(text));
  EXPECT_EQ(text, "first\r\n");
  ASSERT_TRUE(mailbox.TakeText(text));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(mailbox.TakeText(text));
  ASSERT_TRUE(mailbox.TakeProgress(position, maximum));
  EXPECT_EQ(position, 96);
  EXPECT_FALSE(mailbox.TakeProgress(position, maximum));
}

// A stranger's ring between a worker's report and the worker's own ring shows that report early;
// the worker's own ring then finds nothing, so the memo is the same either way.
TEST(BurnMailbox, AStrangersRingNeverShowsAReportTwice) {
  TBurnMailbox mailbox;
  std::vector<std::string> shown;
  auto ring = [&] {
    std::string text;
    if (mailbox.TakeText(text)) shown.push_back(text);
  };
  mailbox.PutText("Writing");
  ring();  // the stranger's
  ring();  // the worker's own
  ring();  // another stranger's
  EXPECT_EQ(shown, std::vector<std::string>{"Writing"});
}

TEST(BurnMailbox, TwoWorkersAtOnceLoseNothing) {
  TBurnMailbox mailbox;
  constexpr int kEach = 500;
  std::thread texts([&] {
    for (int i = 0; i < kEach; ++i) mailbox.PutText(std::to_string(i));
  });
  std::thread steps([&] {
    for (int i = 0; i < kEach; ++i) mailbox.PutProgress(i, 100);
  });
  texts.join();
  steps.join();
  std::string text;
  int position = 0, maximum = 0;
  for (int i = 0; i < kEach; ++i) {
    ASSERT_TRUE(mailbox.TakeText(text));
    EXPECT_EQ(text, std::to_string(i));
    ASSERT_TRUE(mailbox.TakeProgress(position, maximum));
    EXPECT_EQ(position, i);
  }
  EXPECT_FALSE(mailbox.TakeText(text));
}

}  // namespace
}  // namespace qx
