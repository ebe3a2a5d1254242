#include <gtest/gtest.h>

#include "ui/memo_text.h"
#include "res/texts.h"

using namespace qx;

namespace {

TEST(MemoPrefill, RulesNoticeDisclaimerSixEmptyLinesAndABlank) {
  const TMemoPrefillTexts texts{TextById(IDS_MEMO_RULE), TextById(IDS_MEMO_OWNERSHIP),
                                TextById(IDS_MEMO_CREDIT), TextById(IDS_MEMO_DISCLAIMER_HEADING),
                                TextById(IDS_MEMO_DISCLAIMER)};
  const std::string rule(29, '_');
  EXPECT_EQ(texts.Rule, rule);
  EXPECT_EQ(texts.DisclaimerHeading, "Disclaimer of Warranty");
  for (char c : texts.Disclaimer) EXPECT_FALSE(c >= 'a' && c <= 'z') << texts.Disclaimer;
  EXPECT_NE(texts.Credit.find("Stavrik"), std::string::npos);
  EXPECT_EQ(MemoPrefill(texts), rule + "\r\n" + texts.Ownership + "\r\n" + texts.Credit + "\r\n" +
                                    texts.DisclaimerHeading + "\r\n" + texts.Disclaimer + "\r\n" + rule +
                                    "\r\n\r\n\r\n\r\n\r\n\r\n\r\n ");
}

TEST(AppendMemoItem, EveryItemStartsOnALineOfItsOwn) {
  EXPECT_EQ(AppendMemoItem("", "a"), "a");
  EXPECT_EQ(AppendMemoItem("x\r\n ", "a"), "x\r\n \r\na");
  const std::string banner = TextById(IDS_PRODUCT_BANNER);  // ends its own line
  ASSERT_EQ(banner.substr(banner.size() - 2), "\r\n");
  EXPECT_EQ(AppendMemoItem("a", banner), "a\r\n" + banner);
  // an item that ends its own line gets no second break
  EXPECT_EQ(AppendMemoItem("a\r\nB\r\n", "c"), "a\r\nB\r\nc");
  const std::string canceling = TextById(IDS_SESSION_CANCELING);  // starts with its own breaks
  ASSERT_EQ(canceling.substr(0, 2), "\r\n");
  EXPECT_EQ(AppendMemoItem("a", canceling), "a\r\n" + canceling);
}

}  // namespace
