#include "portable/message_box_answers.h"

#include <algorithm>

namespace corvane {

namespace {

struct Named {
  Answer answer;
  const char *name;
};

constexpr Named kNames[] = {
    {Answer::kOk, "ok"},       {Answer::kCancel, "cancel"},     {Answer::kAbort, "abort"},
    {Answer::kRetry, "retry"}, {Answer::kIgnore, "ignore"},     {Answer::kYes, "yes"},
    {Answer::kNo, "no"},       {Answer::kTryAgain, "tryagain"}, {Answer::kContinue, "continue"},
};

}  // namespace

const std::vector<Answer> &AllAnswers() {
  static const std::vector<Answer> all = [] {
    std::vector<Answer> answers;
    for (const auto &named : kNames) answers.push_back(named.answer);
    return answers;
  }();
  return all;
}

std::optional<Answer> ParseAnswer(std::string_view name) {
  for (const auto &named : kNames) {
    if (name == named.name) return named.answer;
  }
  return std::nullopt;
}

const char *AnswerName(Answer answer) {
  for (const auto &named : kNames) {
    if (named.answer == answer) return named.name;
  }
  return "?";
}

ButtonChoice ChooseButton(std::optional<Answer> queued, const std::vector<Answer> &buttons) {
  auto has = [&](Answer answer) {
    return std::find(buttons.begin(), buttons.end(), answer) != buttons.end();
  };
  if (queued && has(*queued)) return {*queued, true};
  const bool honoured = !queued;
  if (buttons.empty() || has(Answer::kOk)) return {Answer::kOk, honoured};
  return {buttons.front(), honoured};
}

std::string ButtonNames(const std::vector<Answer> &buttons) {
  std::string out;
  for (Answer answer : buttons) {
    if (!out.empty()) out += ',';
    out += AnswerName(answer);
  }
  return out.empty() ? "none" : out;
}

}  // namespace corvane
