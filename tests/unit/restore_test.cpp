// The setup command's restore decision and the restore dialog's texts.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "plugin/PlugInSetup.h"
#include "ui/RestoreDialog.h"

namespace vornek {
namespace {

std::vector<std::pair<std::string, std::string>> written;

int BKAPI RecordSetSource(const char* mailId, const char* source) {
    written.emplace_back(mailId, source);
    return 1;
}

struct ScriptedPrompts : Prompts {
    std::deque<int> answers;
    std::vector<std::string> asked;
    int ConfirmMessage(const std::string& text) override {
        asked.push_back(text);
        const int answer = answers.empty() ? kModalResultCancel : answers.front();
        if (!answers.empty()) answers.pop_front();
        return answer;
    }
    void ShowMessage(const std::string&) override {}
};

// The form as the user works it: `user` runs while it is shown.
struct FakeForm : RestoreDialogView {
    std::function<void()> user;
    const TBuckup* shown = nullptr;
    FakeForm() { SetupResult = 0; }  // the form's creation resets the result
    void ShowBackup(const TBuckup& backup) override { shown = &backup; }
    void ShowModal() override {
        if (user) user();
    }
};

class restore_test : public testing::Test {
  protected:
    void SetUp() override {
        written.clear();
        api.BKA_SetSource = RecordSetSource;
        LineList original;
        original.SetText("Subject: original\n\nbody\n");
        CaptureBackup(captured, original, "mail-1");
    }
    int Setup(const TBuckup& backup, const std::function<void()>& user) {
        FakeForm form;
        form.user = user;
        const int result = RunPlugInSetup(api, backup, form);
        EXPECT_EQ(form.shown, &backup);
        return result;
    }

    TBeckyAPI api;
    TBuckup captured;
    ScriptedPrompts prompts;
};

TEST_F(restore_test, a_confirmed_restore_writes_the_capture_back_to_its_mail_id) {
    prompts.answers = {kModalResultOk};
    EXPECT_EQ(Setup(captured, [&] { EXPECT_TRUE(ConfirmRestore(prompts)); }), 1);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].first, "mail-1");
    EXPECT_EQ(written[0].second, "Subject: original\r\n\r\nbody\r\n");
    EXPECT_EQ(prompts.asked, std::vector<std::string>{"Are you sure you want to restore?"});
    EXPECT_EQ(SetupResult, RestoreConfirmed);
}

TEST_F(restore_test, closing_or_declining_writes_nothing) {
    EXPECT_EQ(Setup(captured, [] {}), 1);
    prompts.answers = {kModalResultCancel};
    EXPECT_EQ(Setup(captured, [&] { EXPECT_FALSE(ConfirmRestore(prompts)); }), 1);
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(SetupResult, 0);
}

TEST_F(restore_test, a_result_left_from_an_earlier_dialog_does_not_restore) {
    prompts.answers = {kModalResultOk};
    Setup(captured, [&] { ConfirmRestore(prompts); });
    written.clear();
    Setup(captured, [] {});  // the next dialog is only closed
    EXPECT_TRUE(written.empty());
}

TEST_F(restore_test, the_slot_stays_so_a_second_restore_writes_the_same_text) {
    prompts.answers = {kModalResultOk, kModalResultOk};
    Setup(captured, [&] { ConfirmRestore(prompts); });
    Setup(captured, [&] { ConfirmRestore(prompts); });
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0], written[1]);
    EXPECT_EQ(captured.Stored, 1);
}

TEST_F(restore_test, an_empty_slot_is_never_written_back) {
    TBuckup empty;
    EXPECT_EQ(empty.Stored, 0);
    EXPECT_EQ(empty.Source.GetText(), "");
    EXPECT_EQ(empty.MailID, "");
    Setup(empty, [] { SetupResult = RestoreConfirmed; });
    EXPECT_TRUE(written.empty());
}

TEST(restore_texts_test, version_notice_has_three_lines) {
    // "最新版は " ... " より入手してください。" in Shift-JIS.
    EXPECT_EQ(VersionNotice(),
              "HTML-VORNEK ver1.02\r\n"
              "Tomvarek <html-vornek@tomvarek.example>\r\n"
              "\x8D\xC5\x90V\x94\xC5\x82\xCD https://tomvarek.example/html-vornek/ "
              "\x82\xE6\x82\xE8\x93\xFC\x8E\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81"
              "B");
}

}  // namespace
}  // namespace vornek
