// The shell's small window decisions: snapping, who receives a message, which message-box
// button gets pressed.
#include <gtest/gtest.h>

#include <cstdint>

#include "portable/message_box_answers.h"
#include "portable/snapping.h"
#include "portable/subscriptions.h"

namespace corvane {
namespace {

constexpr ScreenRect kScreen{0, 0, 1024, 768};

TEST(Snapping, NearEdgesJumpOntoThem) {
  EXPECT_EQ(SnapToEdges(7, 9, 25, 25, 10, kScreen).x, 0);
  EXPECT_EQ(SnapToEdges(7, 9, 25, 25, 10, kScreen).y, 0);
  const SnapPoint far = SnapToEdges(1024 - 25 - 9, 768 - 25 + 3, 25, 25, 10, kScreen);
  EXPECT_EQ(far.x, 1024 - 25);
  EXPECT_EQ(far.y, 768 - 25);
}

TEST(Snapping, OutsideTheDistanceStays) {
  const SnapPoint kept = SnapToEdges(11, 500, 25, 25, 10, kScreen);
  EXPECT_EQ(kept.x, 11);
  EXPECT_EQ(kept.y, 500);
  const SnapPoint off = SnapToEdges(-11, 300, 25, 25, 10, kScreen);
  EXPECT_EQ(off.x, -11);
  // Exactly the distance away is not near: a button at the default 10, 10 stays there.
  const SnapPoint exact = SnapToEdges(10, 10, 25, 25, 10, kScreen);
  EXPECT_EQ(exact.x, 10);
  EXPECT_EQ(exact.y, 10);
}

TEST(Snapping, PartlyOffScreenWithinDistanceComesBack) {
  EXPECT_EQ(SnapToEdges(-4, 300, 25, 25, 10, kScreen).x, 0);
  EXPECT_EQ(SnapToEdges(1004, 300, 25, 25, 10, kScreen).x, 999);
}

TEST(Snapping, NearerEdgeWinsForAWideWindow) {
  // 1018 wide: 3 px from the left edge, 1 px from the right.
  EXPECT_EQ(SnapToEdges(5, 300, 1018, 25, 10, kScreen).x, 6);
  EXPECT_EQ(SnapToEdges(2, 300, 1018, 25, 10, kScreen).x, 0);
}

TEST(Snapping, NoDistanceNoSnap) {
  EXPECT_EQ(SnapToEdges(1, 1, 25, 25, 0, kScreen).x, 1);
  EXPECT_EQ(SnapToEdges(0, 1, 25, 25, 0, kScreen).x, 0);
  EXPECT_EQ(SnapToEdges(1, 1, 25, 25, -5, kScreen).y, 1);
}

TEST(SubscriptionsTest, PerMessageInRegistrationOrderWithoutDuplicates) {
  Subscriptions subs;
  subs.Add(1, {10901, 10103});
  subs.Add(2, {10901});
  subs.Add(1, {10901});
  EXPECT_EQ(subs.Subscribers(10901), (std::vector<WindowId>{1, 2}));
  EXPECT_EQ(subs.Subscribers(10103), (std::vector<WindowId>{1}));
  EXPECT_TRUE(subs.Subscribers(10304).empty());
}

TEST(SubscriptionsTest, UnregisterOnlyTheNamedMessages) {
  Subscriptions subs;
  subs.Add(1, {10901, 10103});
  subs.Add(2, {10901});
  subs.Remove(1, {10901, 12345});
  EXPECT_EQ(subs.Subscribers(10901), (std::vector<WindowId>{2}));
  EXPECT_EQ(subs.Subscribers(10103), (std::vector<WindowId>{1}));
  subs.RemoveWindow(1);
  EXPECT_TRUE(subs.Subscribers(10103).empty());
}

TEST(SubscriptionsTest, MessageListIsZeroTerminatedAndBounded) {
  const std::uint32_t list[] = {10103, 10901, 0, 99};
  EXPECT_EQ(ReadMessageList(list), (std::vector<unsigned>{10103, 10901}));
  EXPECT_TRUE(ReadMessageList(nullptr).empty());
  const std::uint32_t unterminated[] = {1, 2, 3};
  EXPECT_EQ(ReadMessageList(unterminated, 3).size(), 3u);
  EXPECT_EQ(JoinMessages({10103, 10901}), "10103,10901");
  EXPECT_EQ(JoinMessages({}), "");
}

const std::vector<Answer> kOk{Answer::kOk};
const std::vector<Answer> kYesNo{Answer::kYes, Answer::kNo};
const std::vector<Answer> kYesNoCancel{Answer::kYes, Answer::kNo, Answer::kCancel};

TEST(MessageBoxChoice, QueuedAnswerWhenTheBoxHasIt) {
  const ButtonChoice choice = ChooseButton(Answer::kNo, kYesNoCancel);
  EXPECT_EQ(choice.pressed, Answer::kNo);
  EXPECT_TRUE(choice.honoured);
}

TEST(MessageBoxChoice, NothingQueuedGivesOkOrTheFirstButton) {
  EXPECT_EQ(ChooseButton(std::nullopt, kOk).pressed, Answer::kOk);
  EXPECT_EQ(ChooseButton(std::nullopt, {Answer::kOk, Answer::kCancel}).pressed, Answer::kOk);
  EXPECT_EQ(ChooseButton(std::nullopt, kYesNo).pressed, Answer::kYes);
  EXPECT_EQ(ChooseButton(std::nullopt, {}).pressed, Answer::kOk);
  EXPECT_TRUE(ChooseButton(std::nullopt, kYesNo).honoured);
}

TEST(MessageBoxChoice, QueuedAnswerTheBoxLacksIsReported) {
  const ButtonChoice choice = ChooseButton(Answer::kYes, kOk);
  EXPECT_EQ(choice.pressed, Answer::kOk);
  EXPECT_FALSE(choice.honoured);
  EXPECT_EQ(ChooseButton(Answer::kOk, kYesNo).pressed, Answer::kYes);
}

TEST(MessageBoxChoice, NamesRoundTrip) {
  for (Answer answer : AllAnswers()) EXPECT_EQ(ParseAnswer(AnswerName(answer)), answer);
  EXPECT_EQ(ButtonNames(kYesNoCancel), "yes,no,cancel");
  EXPECT_EQ(ButtonNames({}), "none");
  EXPECT_EQ(static_cast<int>(Answer::kYes), 6);  // IDYES: pressed by its dialog id
}

}  // namespace
}  // namespace corvane
