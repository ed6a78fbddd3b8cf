#include "core/headless_message_sink.h"

#include <iostream>
#include <string_view>

namespace tessivo {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool BreaksLine(char16_t c) { return c < 0x20 || c == 0x7F || c == 0x2028 || c == 0x2029; }

// Appends `text` as UTF-8 on one line: each run of control characters
// becomes one space, and spaces at either end that come from them are left out.
void AppendFolded(std::string& out, std::u16string_view text) {
  bool pending_space = false;
  bool any = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (BreaksLine(c)) {
      pending_space = any;
      continue;
    }
    if (pending_space) out.push_back(' ');
    pending_space = false;
    any = true;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                          (static_cast<char32_t>(text[i + 1]) - 0xDC00));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, c);
    }
  }
}

}  // namespace

std::string AnswerName(int answer) {
  switch (answer) {
    case kAnswerOk:
      return "OK";
    case kAnswerCancel:
      return "Cancel";
    case kAnswerYes:
      return "Yes";
    case kAnswerNo:
      return "No";
    default:
      return std::to_string(answer);
  }
}

std::string FormatMessageLine(const MessageBox& box, int answer, bool wanted_display) {
  std::string line("[");
  AppendFolded(line, box.title);
  line.append("] ");
  AppendFolded(line, box.text);
  line.append(" => ").append(AnswerName(answer));
  line.append(wanted_display ? " (no display; answered automatically)"
                             : " (answered automatically)");
  return line;
}

HeadlessMessageSink::HeadlessMessageSink() : out_(&std::cerr) {}

int HeadlessMessageSink::Show(const MessageBox& box) {
  const int answer = AutomaticAnswer(box.style);
  Write(box, answer, true);
  return answer;
}

void HeadlessMessageSink::Note(const MessageBox& box, int answer) { Write(box, answer, false); }

void HeadlessMessageSink::Write(const MessageBox& box, int answer, bool wanted_display) {
  *out_ << FormatMessageLine(box, answer, wanted_display) << '\n';
  out_->flush();
  ++count_;
}

}  // namespace tessivo
