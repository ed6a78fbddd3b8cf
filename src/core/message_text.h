#pragma once
// The message catalogue: every title and text of the engine's message boxes,
// its status-bar texts and the legends of the row states, each under a stable
// key, with the Japanese text the program shows.
//
// The engine uses the texts as they are. A window that translates passes each
// text through its translator at display time, with the Japanese text as the
// source and the key as the disambiguation, so one translation file covers
// the window and the engine; AllMessageTexts() lists what to translate.
// Texts with parameters hold %1, %2, ... where FillMessage puts the values, so
// a translation may move them.
//
// Keys are stored in translation files: do not rename them. Add new entries
// anywhere; the order of the list is not stored.

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tessivo {

enum class MessageId : int {
  // Titles of boxes.
  kContinueTitle,
  kRenameTitle,
  kChangeTitle,
  kTooManyFilesTitle,
  kNoMemoryTitle,
  kStopModeAskTitle,
  kStopModeTellTitle,
  kNoSubFolderTitle,
  kAbortTitle,
  kEmptyListTitle,
  kSerialDeletedTitle,
  kSerialAddedTitle,
  kCantWriteLogTitle,
  kLogInUseTitle,
  kNoLogTitle,
  kEditedNamesTitle,
  kCantOpenFileTitle,
  kFormatNotDefinedTitle,
  kAlreadyUndoneTitle,
  kCantOpenMacroTitle,
  kMacroVersionTitle,
  kShortNameLaterTitle,
  kMacroFullTitle,
  kMacroNoNameTitle,
  kStopRecordingTitle,
  kMacroRecordingTitle,
  kMacroEditorMissingTitle,
  kDeleteMacroTitle,
  kRecordingNowTitle,
  kTestModeTitle,
  kTooLongTitle,
  // Texts of the standard boxes (Messenger::ShowMessage with a MessageKind).
  kChangeFailedName,        // %1 old name, %2 new name
  kChangeFailedTimestamp,   // %1 the file
  kChangeFailedAttributes,  // %1 the file
  kConfirmName,             // %1 old name, %2 new name
  kConfirmTimestamp,        // %1 the file
  kConfirmAttributes,       // %1 the file
  kConfirmOther,            // %1 the file
  kOfferMoreFiles,          // %1 the limit now, %2 the next one
  kNoMemoryText,
  kListFullText,
  kListExceededText,
  kEndModeTell,             // %1 what ends the mode, %2 the action it blocks
  kEndModeAsk,              // the same, then the question
  kActionRead,
  kActionOptions,
  kStopUndoPhrase,
  kChangeFolderModePhrase,
  // Texts of the other boxes.
  kNoSubFolderText,
  kAbortLoadingText,
  kEmptyListText,
  kStartText,
  kSerialDeletedText,       // %1 the name with its serial, %2 the name it got back
  kSerialAddedText,
  kCantWriteLogText,        // %1 the reason
  kLogInUseText,
  kNoLogText,
  kSaveLastChangeTitle,     // the title of the save dialog
  kEditedNamesText,
  kCantOpenLogText,
  kEmptyUndoListText,
  kUndoConfirmText,
  kFormatNotDefinedText,
  kAlreadyUndoneText,
  kCantOpenMacroText,
  kMacroVersionText,
  kShortNameLaterText,
  kMacroFullText,
  kMacroNoNameText,
  kStopRecordingText,
  kMacroRecordingText,
  kMacroEditorMissingText,
  kMacroRecordedText,       // %1 the step's number, %2 the mode's name
  kDeleteMacroText,         // %1 the macro's name
  kRecordingNowText,
  kTestModeText,
  kTooLongText,
  // Status-bar texts.
  kStatusIdle,
  kStatusSorting,
  kStatusDeletingSelected,
  kStatusClearingAll,
  kStatusLoading,
  kStatusSelectingAll,
  kStatusInvertingSelection,
  kStatusUndoMode,
  kStatusTestModeBanner,
  kStatusSelectionCount,    // %1 selected rows, %2 all rows (each padded to three places)
  // Legends of the row states (the remarks column).
  kLegendPathTooLong,
  kLegendInvalidName,
  kLegendTargetExists,
  kLegendSourceMissing,
  kLegendBackslash,
  kLegendBadCharacter,
  kLegendUnchanged,
  kLegendChangeable,
  kLegendExcluded,
  kLegendChanged,
  kLegendFailed,
  kLegendToRestore,
  // Boxes of the window's commands.
  kNoHelpTitle,
  kNoHelpText,
  kPlaybackUnavailableTitle,
  kPlaybackUnavailableText,  // execute and confirm in the macro mode, until playback exists
  kDirectRenameTooLongTitle,
  kDirectRenameTooLongText,
  kDirectRenameTitle,
  kDirectRenameText,  // %1 the file's path, %2 its new name
  kDirectRenameFailedTitle,
  kDirectRenameFailedText,
  kCount
};

struct MessageText {
  MessageId id;
  std::string_view key;      // stable name, e.g. "box.change_failed.name"
  std::u16string_view text;  // as shown, Japanese (titles are English)
};

// Every entry, in MessageId order.
std::span<const MessageText> AllMessageTexts();

// The text of `id`.
std::u16string_view Text(MessageId id);
// The key of `id`.
std::string_view KeyOf(MessageId id);
// The entry whose key is `key`, if any.
std::optional<MessageId> FindMessageKey(std::string_view key);

// `pattern` with each %1 .. %9 replaced by the argument of that number (a
// missing argument gives nothing); any other '%' stays. The values are put in
// as they are: a '%' inside a value is never read as a marker.
std::u16string FillMessage(std::u16string_view pattern, std::span<const std::u16string> args);
std::u16string FillMessage(std::u16string_view pattern,
                           std::initializer_list<std::u16string_view> args);
// The text of `id` filled in.
std::u16string FillMessage(MessageId id, std::initializer_list<std::u16string_view> args);

}  // namespace tessivo
