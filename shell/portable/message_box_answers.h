// Which button the shell presses in a message box: the script's queued answer when the box has
// that button, else OK, else the leftmost button.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Values are the dialog command ids of the buttons (IDOK, IDCANCEL, ...).
enum class Answer {
  kOk = 1,
  kCancel = 2,
  kAbort = 3,
  kRetry = 4,
  kIgnore = 5,
  kYes = 6,
  kNo = 7,
  kTryAgain = 10,
  kContinue = 11
};

// The ids above, in the order a box would be searched for its buttons.
const std::vector<Answer> &AllAnswers();

std::optional<Answer> ParseAnswer(std::string_view name);
const char *AnswerName(Answer answer);

struct ButtonChoice {
  Answer pressed;
  bool honoured;  // false when a queued answer was not among the buttons
};

// `buttons` from left to right; an empty list still gets OK.
ButtonChoice ChooseButton(std::optional<Answer> queued, const std::vector<Answer> &buttons);

// "yes,no,cancel": the buttons as the transcript names them.
std::string ButtonNames(const std::vector<Answer> &buttons);

}  // namespace corvane
