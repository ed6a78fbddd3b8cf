#pragma once
// A MessageSink for tests: records every box, shown or only noted, and
// answers the shown ones from a script.

#include <deque>
#include <string>
#include <vector>

#include "core/message.h"

namespace tessivo {

class ScriptedSink : public MessageSink {
 public:
  explicit ScriptedSink(int fallback_answer = kAnswerYes) : fallback(fallback_answer) {}

  // The next scripted answer, then `fallback` once the script is used up.
  int Show(const MessageBox& box) override {
    shown.push_back(box);
    if (answers.empty()) return fallback;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void Note(const MessageBox& box, int) override { shown.push_back(box); }

  std::vector<std::u16string> Titles() const {
    std::vector<std::u16string> titles;
    for (const MessageBox& box : shown) titles.push_back(box.title);
    return titles;
  }

  std::vector<MessageBox> shown;  // in order, noted ones included
  std::deque<int> answers;
  int fallback;
};

}  // namespace tessivo
