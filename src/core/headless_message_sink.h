#pragma once
// HeadlessMessageSink: the MessageSink of runs without a display.
//
// No box can be shown, so nothing blocks: a box the policy would have shown
// gets the answer a hidden run gives (AutomaticAnswer: Yes for a Yes/No box,
// OK otherwise), and the line written says it had no display. A box the
// policy answered itself is written with the answer it took. Either way every
// message becomes exactly one UTF-8 line on the stream:
//
//   [Title] text with its line breaks folded => Yes (answered automatically)
//
// Runs of CR and LF (and any other control character) in the title and text
// become one space; a lone surrogate is written as U+FFFD so the line stays
// valid UTF-8.

#include <iosfwd>
#include <string>

#include "core/message.h"

namespace tessivo {

class HeadlessMessageSink : public MessageSink {
 public:
  // Writes to standard error.
  HeadlessMessageSink();
  // Writes to `out`, which must outlive the sink.
  explicit HeadlessMessageSink(std::ostream& out) : out_(&out) {}

  int Show(const MessageBox& box) override;
  void Note(const MessageBox& box, int answer) override;

  // Messages written so far.
  int count() const { return count_; }

 private:
  void Write(const MessageBox& box, int answer, bool wanted_display);

  std::ostream* out_;
  int count_ = 0;
};

// The line written for `box` (without the line end). `wanted_display` tells
// that the policy meant to show the box but there was no display.
std::string FormatMessageLine(const MessageBox& box, int answer, bool wanted_display);

// The name of an answer ("OK", "Cancel", "Yes", "No"), or its number.
std::string AnswerName(int answer);

}  // namespace tessivo
