#pragma once
// QtMessageSink: the window program's message boxes.
//
// A box the message policy shows becomes a QMessageBox with the buttons,
// icon and default button of its style; an owned box is modal to the main
// window, an unowned one has no parent and stays on top. A box the policy
// answered without showing it is written as one line to standard error, as
// a headless run writes it, so no message is lost.
//
// The parent window is borrowed and may be null (before the window exists).

#include <QPointer>
#include <functional>
#include <QWidget>
#include <iosfwd>

#include "core/message.h"

namespace tessivo {

// Installs Qt's own Japanese texts (qtbase_ja.qm of qt6-translations-l10n),
// so the boxes' buttons read はい / いいえ / キャンセル. False when the file is
// missing (the buttons then stay English).
bool InstallQtJapanese();

class QtMessageSink final : public MessageSink {
 public:
  // Lines of answered boxes go to `err` (standard error when null); it must outlive the sink.
  explicit QtMessageSink(std::ostream* err = nullptr) : err_(err) {}

  void set_parent(QWidget* parent) { parent_ = parent; }

  int Show(const MessageBox& box) override;
  void Note(const MessageBox& box, int answer) override;

  // Tests answer boxes here instead of showing them: `answer` gets the box
  // and returns a kAnswer* value.
  std::function<int(const MessageBox& box)> answer_for_tests;

 private:
  QPointer<QWidget> parent_;
  std::ostream* err_;
};

}  // namespace tessivo
