#include "config/input_history.h"

#include <algorithm>

#include "config/encoding.h"

namespace tessivo {

namespace {

constexpr std::u16string_view kSeparator = u"||";

std::u16string_view Cut(std::u16string_view text, std::size_t length) {
  return text.substr(0, std::min(text.size(), length));
}

}  // namespace

void InputHistory::SetEntry(int i, std::u16string_view text) {
  entries_[static_cast<std::size_t>(i)] = std::u16string(Cut(text, entry_length_));
}

void InputHistory::Clear() {
  for (auto& e : entries_) e.clear();
}

int InputHistory::Find(std::u16string_view text) const {
  for (int i = 0; i < kEntries; ++i) {
    if (entries_[static_cast<std::size_t>(i)] == text) return i;
  }
  return -1;
}

int InputHistory::UsedCount() const {
  for (int i = kEntries; i > 0; --i) {
    if (!entries_[static_cast<std::size_t>(i - 1)].empty()) return i;
  }
  return 0;
}

void InputHistory::MoveToFront(int k) {
  if (k <= 0 || k >= kEntries) return;
  auto first = entries_.begin();
  std::rotate(first, first + k, first + k + 1);
}

void InputHistory::PushFront(std::u16string_view text) {
  std::rotate(entries_.begin(), entries_.end() - 1, entries_.end());
  entries_[0] = std::u16string(Cut(text, entry_length_));
}

std::u16string JoinHistory(const InputHistory& history, std::size_t limit) {
  std::u16string joined;
  for (int i = 0; i < InputHistory::kEntries; ++i) {
    const std::u16string& e = history.entry(i);
    if (i > 0) {
      if (e.empty()) continue;
      if (joined.size() + e.size() + kSeparator.size() >= limit) continue;
    }
    joined += e;
    joined += kSeparator;
  }
  return joined;
}

void SplitHistory(std::u16string_view joined, InputHistory& history) {
  history.Clear();
  std::u16string_view rest = joined;
  for (int i = 0; i < InputHistory::kEntries && !rest.empty(); ++i) {
    std::size_t end = rest.find(kSeparator);
    if (end == std::u16string_view::npos) {
      history.SetEntry(i, rest);
      break;
    }
    history.SetEntry(i, rest.substr(0, end));
    rest.remove_prefix(end + kSeparator.size());
  }
}

std::u16string EncodeHistory(const InputHistory& history, std::size_t limit,
                             std::size_t capacity, bool* cut) {
  std::u16string text = JoinHistory(history, limit);
  int r = 0;
  if (FitsCodePage(text)) {
    // Nothing to escape; this also keeps texts the escape's round trip
    // would cut (more than capacity - 3 code units).
    if (text.size() >= capacity) {
      text.resize(capacity > 0 ? capacity - 1 : 0);
      r = 1;
    }
  } else {
    r = EscapeNonAnsi(text, capacity);
  }
  if (cut) *cut = r != 0;
  return text;
}

void DecodeHistory(std::u16string_view stored, std::size_t capacity, InputHistory& history) {
  std::u16string text(stored);
  UnescapeText(text, capacity);
  SplitHistory(text, history);
}

PushResult PushHistory(InputHistory& history, std::u16string_view text) {
  PushResult result;
  if (text.size() > history.entry_length()) {
    result.too_long = true;
    text = Cut(text, history.entry_length());
  }
  int k = history.Find(text);
  if (k < 0) {
    history.PushFront(text);
    result.change = PushResult::Change::kInserted;
  } else if (k > 0) {
    history.MoveToFront(k);
    result.change = PushResult::Change::kMoved;
    result.from = k;
  }
  return result;
}

void PlaceFirst(InputHistory& history, std::u16string_view text) {
  int k = -1;
  for (int i = 0; i < InputHistory::kEntries - 1; ++i) {
    if (history.entry(i) == text) {
      k = i;
      break;
    }
  }
  if (k < 0) {
    history.PushFront(text);
  } else {
    history.MoveToFront(k);
  }
}

}  // namespace tessivo
