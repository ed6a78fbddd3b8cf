#include "macro/recorder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "config/settings.h"
#include "modes/letter_case.h"
#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

using namespace std::string_literals;
using Op = FakeFileSystem::Op;
using Strings = std::vector<std::string>;

class RecorderTest : public ::testing::Test {
 protected:
  RecorderTest() {
    fs_.AddFolder(u"/prog");
    hooks_.select_mode = [this](int mode) { selected_.push_back(mode); };
    hooks_.recording_ui = [this](bool on) { ui_.push_back(on); };
    hooks_.ask_name = [this](const MacroList&, int slot) {
      asked_slot_ = slot;
      return name_;
    };
    hooks_.launch = [this](const std::u16string& program, const std::u16string& argument) {
      launched_.push_back(Utf16ToUtf8(program + u" " + argument));
      return Status();
    };
    recorder_ = std::make_unique<MacroRecorder>(fs_, messenger_, state_, u"/prog", hooks_);
  }

  int Record(int mode) { return recorder_->RecordStep(mode, s_, panel_, position_); }
  MacroStep Capture(int mode) { return CaptureStep(mode, s_, panel_, position_); }
  void StartRecording(int slot = 0, bool folders = false) {
    panel_.At(ctl::kMacroSlot).value = slot;
    ASSERT_TRUE(recorder_->Start(panel_, folders).has_value());
  }
  std::string Recording() const { return fs_.Content(u"/prog/macro0").value_or("<none>"); }
  Strings Messages() const {
    Strings out;
    for (const MessageBox& box : sink_.shown) {
      out.push_back(Utf16ToUtf8(box.title + u"|" + box.text));
    }
    return out;
  }

  FakeFileSystem fs_;
  Settings s_{fs_, SettingsLocation{BackendKind::kIni, u"/prog/tessivo.ini", u"/prog/reg.ini"}};
  ScriptedSink sink_;
  Messenger messenger_{sink_};
  RunState state_;
  ModePanel panel_;
  PositionEditState position_;
  MacroList list_;
  RecorderHooks hooks_;
  std::unique_ptr<MacroRecorder> recorder_;
  std::vector<int> selected_;
  std::vector<bool> ui_;
  std::optional<MacroName> name_;
  int asked_slot_ = -1;
  Strings launched_;
};

TEST_F(RecorderTest, RecordsStepsWithTheirMessagesAndCount) {
  StartRecording(6, /*folders=*/true);
  EXPECT_EQ(Recording(), "TS151\n");
  EXPECT_FALSE(panel_.At(ctl::kMacroSlot).enabled);

  s_.SetInt(IntKey::kReal8_3, 2);
  EXPECT_EQ(Record(6), kStepRecorded);  // 8.3 may be the first step
  // The counts are capped at 99 on the way into two digits.
  s_.SetInt(IntKey::kDeltype, 9);
  s_.SetInt(IntKey::kDellen, 150);
  panel_.At(ctl::kDeleteCount2).text = u"2555";
  EXPECT_EQ(Record(8), kStepRecorded);
  EXPECT_EQ(Record(11), kStepRecorded);
  EXPECT_EQ(Record(6), kStepNotAllowed);  // ... but no later one
  EXPECT_EQ(Record(13), kStepNotWritten);
  EXPECT_EQ(Recording(), "TS151\n8_3200\0\0\nDEL999ruu\0\0\ndmy000\0\0\n"s);
  EXPECT_EQ(Messages(), (Strings{"|1 個目　：　[8.3形式] モード\n\n記録されました。",
                                 "|2 個目　：　[文字削除] モード\n\n記録されました。",
                                 "|3 個目　：　[CSV等] モード\n\n記録されました。",
                                 "To 8.3 Format is not Available Now|8.3形式は1回目のみ記録できます。"}));
  EXPECT_EQ(sink_.shown[3].style, box::kOk | box::kIconInformation);
  EXPECT_EQ(recorder_->count(), 4);
  EXPECT_TRUE(state_.macro_recording);
  EXPECT_EQ(state_.macro_steps_recorded, 3);
}

TEST_F(RecorderTest, AFullRecordingFileOrAFailedAppendTakesNoStep) {
  StartRecording();
  fs_.FindMutable(u"/prog/macro0")->bytes = std::string(kRecordingSizeLimit - 1, 'x');
  EXPECT_EQ(Record(11), kStepRecorded);  // one byte below the limit: appended
  EXPECT_EQ(Record(11), kRecordingFull);
  EXPECT_EQ(Recording().size(), kRecordingSizeLimit - 1 + 9);
  EXPECT_EQ(Messages().back(),
            "Macro File size Exceeded|マクロファイルが最大サイズに到達したため、記録されませんでした。");
  EXPECT_EQ(recorder_->count(), 2);

  // A failed append is neither counted nor told.
  fs_.FailNthCall(Op::kAppend, 1, ErrorCode::kNoSpace);
  fs_.FindMutable(u"/prog/macro0")->bytes = "TS150\n";
  EXPECT_EQ(Record(11), kStepNotWritten);
  EXPECT_EQ(sink_.shown.size(), 2u);
  EXPECT_EQ(recorder_->count(), 2);
}

TEST_F(RecorderTest, CaptureTakesTheValuesTheExecutionUsed) {
  s_.SetInt(IntKey::kBigsmall, kCaseWordInitialUpper);
  s_.SetText(TextKey::kBsexcept2, u"of the");
  s_.SetText(TextKey::kBsexcept1, u"USA");
  EXPECT_EQ(Capture(4).text1, u"of the");  // the exception list of the chosen option
  s_.SetInt(IntKey::kBigsmall, kCaseFirstUpper);
  EXPECT_EQ(Capture(4).text1, u"");

  s_.SetInt(IntKey::kRepwithext, 1);
  s_.SetInt(IntKey::kRepcase, 1);
  s_.SetInt(IntKey::kRepmode, 2);
  EXPECT_EQ(Capture(10).params, (std::array<int, 3>{2, 0, 3}));

  s_.SetInt(IntKey::kDatefrom, -1);  // a typed format
  s_.SetText(TextKey::kYmdform, u"YYMM");
  s_.SetText(TextKey::kSepstr, u"-");
  s_.SetInt(IntKey::kAddyymmdd, 1);
  const MacroStep date = Capture(9);
  EXPECT_EQ(date.params[1], 9);
  EXPECT_EQ(date.text1, u"年-");
  EXPECT_EQ(date.text2, u"YYMM");

  s_.SetWord(OptionWord::kZentohan, zen::kSymbols | zen::kDigits);
  EXPECT_EQ(Capture(5).params[1], 8 + 1);
  s_.SetInt(IntKey::kDeltype, 10);
  s_.SetInt(IntKey::kDellen, 37);  // the count as two digits
  EXPECT_EQ(Capture(8).params, (std::array<int, 3>{10, 3, 7}));

  // A recorded history gives its entry 0; an unrecorded one the field's text.
  panel_.At(ctl::kSearchText).text = u"typed now";
  s_.History(HistoryId::kSearch).SetEntry(0, u"older");
  s_.SetInt(IntKey::kInputlog, static_cast<std::int32_t>(inputlog::kReplace));
  EXPECT_EQ(Capture(10).text1, u"older");
  s_.SetInt(IntKey::kInputlog, 0);
  EXPECT_EQ(Capture(10).text1, u"typed now");

  position_.LoadTemplate(u"IMG_0001");
  position_.UpdatePositionMap(u"Photo_0001");
  s_.SetInt(IntKey::kPosedtnoext, 1);
  const MacroStep edit = Capture(1);
  EXPECT_EQ(edit.map, position_.position_map());
  EXPECT_TRUE(edit.no_extension);
  EXPECT_EQ(Capture(14).mode, 0);
}

TEST_F(RecorderTest, StoppingNamesTheChosenSlot) {
  // Without a step nothing is saved and nothing asked.
  StartRecording(3);
  panel_.At(ctl::kMacroSlot).value = 0;
  EXPECT_EQ(recorder_->Stop(panel_, list_), StopOutcome::kNothingRecorded);
  EXPECT_EQ(asked_slot_, -1);
  EXPECT_EQ(selected_, (std::vector<int>{1, 19}));
  EXPECT_EQ(ui_, (std::vector<bool>{true, false}));
  EXPECT_EQ(panel_.At(ctl::kMacroSlot).value, 3);  // the remembered slot again
  EXPECT_TRUE(panel_.At(ctl::kMacroSlot).enabled);
  EXPECT_EQ(recorder_->Stop(panel_, list_), StopOutcome::kNotRecording);

  fs_.AddFile(u"/prog/macro5.bin", "old macro");
  // `list`: the list file afterwards.
  const struct { std::optional<MacroName> name; StopOutcome outcome; std::string list; } cases[] = {
      {std::nullopt, StopOutcome::kNotNamed, "<none>"},
      {MacroName{u"", 4}, StopOutcome::kNotNamed, "<none>"},
      {MacroName{std::u16string(kEmptyMacroSlot), 4}, StopOutcome::kSaved, "5:macro_05\n"},
      {MacroName{u"two\nlines", 4}, StopOutcome::kSaved, "5:two lines\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.list);
    StartRecording(1);
    EXPECT_EQ(Record(11), kStepRecorded);
    name_ = c.name;
    EXPECT_EQ(recorder_->Stop(panel_, list_), c.outcome);
    EXPECT_EQ(asked_slot_, 1);
    EXPECT_EQ(fs_.Content(u"/prog/macro.lst").value_or("<none>"), c.list);
    if (c.outcome == StopOutcome::kNotNamed) {
      EXPECT_EQ(Messages().back(),
                "No File Name, No Save|名前が付けられなかったためマクロを保存しませんでした。");
      EXPECT_EQ(Recording(), "TS150\ndmy000\0\0\n"s);  // the recording stays
      EXPECT_EQ(fs_.Content(u"/prog/macro5.bin"), "old macro");
    } else {
      EXPECT_EQ(fs_.Content(u"/prog/macro5.bin"), "TS150\ndmy000\0\0\n"s);
      EXPECT_FALSE(fs_.Exists(u"/prog/macro0"));
      EXPECT_EQ(panel_.At(ctl::kMacroSlot).value, 4);
      EXPECT_EQ(panel_.At(ctl::kMacroSlot).items[4], list_.Name(4));
    }
  }

  // A failed move keeps the recording and the slot's old name.
  list_.SetName(0, u"kept");
  StartRecording();
  EXPECT_EQ(Record(11), kStepRecorded);
  fs_.FailNthCall(Op::kRenameNoReplace, 1, ErrorCode::kIo);
  name_ = MacroName{u"new", 0};
  EXPECT_EQ(recorder_->Stop(panel_, list_), StopOutcome::kSaveFailed);
  EXPECT_EQ(list_.Name(0), u"kept");
  EXPECT_TRUE(fs_.Exists(u"/prog/macro0"));
}

TEST_F(RecorderTest, EditorHandOffAndEscape) {
  panel_.At(ctl::kMacroSlot).value = 2;
  EXPECT_EQ(recorder_->OpenEditor(panel_, list_, u"/bin"), EditorOutcome::kNotFound);
  EXPECT_EQ(Messages().back(), "Macro Edit Tool not Found|マクロ編集ツールが見つかりません。");
  EXPECT_TRUE(launched_.empty());

  fs_.AddFile(u"/bin/tessivmacroedit");
  EXPECT_EQ(recorder_->OpenEditor(panel_, list_, u"/bin"), EditorOutcome::kStarted);
  EXPECT_EQ(launched_, (Strings{"/bin/tessivmacroedit /macro3"}));
  EXPECT_EQ(panel_.At(ctl::kMacroEdit).text, u"リスト更新");

  fs_.AddFile(u"/prog/macro.lst", "3:edited\n");
  EXPECT_EQ(recorder_->OpenEditor(panel_, list_, u"/bin"), EditorOutcome::kListReloaded);
  EXPECT_EQ(panel_.At(ctl::kMacroEdit).text, u"編集");
  EXPECT_EQ(panel_.At(ctl::kMacroSlot).items[2], u"edited");

  StartRecording();
  EXPECT_EQ(recorder_->OpenEditor(panel_, list_, u"/bin"), EditorOutcome::kRefused);
  EXPECT_EQ(Messages().back(), "Macro Recording|マクロ記録中は編集できません。");
  EXPECT_EQ(launched_.size(), 1u);

  EXPECT_TRUE(AskStopRecording(messenger_));
  EXPECT_EQ(Messages().back(), "Stop Recording?|記録を終了しますか？");
  EXPECT_EQ(sink_.shown.back().style, box::kYesNo);
}

}  // namespace
}  // namespace tessivo
