// Writing the backup slot back, the restore confirmation and the dialog's texts.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "backup/QuenlowUnit_Type.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/ShiftJis.h"
#include "ui/RestoreDialog.h"

namespace vornek {
namespace {

std::vector<std::pair<std::string, std::string>> written;

int BKAPI RecordSetSource(const char* mailId, const char* source) {
    written.emplace_back(mailId, source);
    return 1;
}

class restore_test : public testing::Test {
  protected:
    void SetUp() override {
        written.clear();
        api.BKA_SetSource = RecordSetSource;
        LineList original;
        original.SetText("Subject: original\n\nbody\n");
        CaptureBackup(captured, original, "mail-1");
    }

    TBeckyAPI api;
    TBuckup captured;
};

TEST_F(restore_test, writes_the_capture_back_to_its_own_mail_id_as_often_as_asked) {
    EXPECT_TRUE(RestoreBackup(api, captured));
    EXPECT_TRUE(RestoreBackup(api, captured));
    const std::pair<std::string, std::string> expected{"mail-1",
                                                       "Subject: original\r\n\r\nbody\r\n"};
    EXPECT_EQ(written, (std::vector<std::pair<std::string, std::string>>{expected, expected}));
    EXPECT_EQ(captured.Stored, 1);
}

TEST_F(restore_test, a_later_capture_replaces_the_earlier_one) {
    LineList later;
    later.SetText("Subject: later\r\n\r\ntext\r\n");
    CaptureBackup(captured, later, "mail-2");
    RestoreBackup(api, captured);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].first, "mail-2");
    EXPECT_EQ(written[0].second, "Subject: later\r\n\r\ntext\r\n");
}

TEST_F(restore_test, an_empty_slot_is_never_written_back) {
    TBuckup empty;
    EXPECT_FALSE(RestoreBackup(api, empty));
    EXPECT_TRUE(written.empty());
}

TEST(restore_confirmation_test, only_ok_records_a_confirmed_restore) {
    testprompts::ScriptedPrompts prompts;
    prompts.answers = {kModalResultCancel, kModalResultOk};
    SetupResult = 0;
    EXPECT_FALSE(ConfirmRestore(prompts));
    EXPECT_EQ(SetupResult, 0);
    EXPECT_TRUE(ConfirmRestore(prompts));
    EXPECT_EQ(SetupResult, RestoreConfirmed);
    EXPECT_EQ(prompts.confirmations,
              std::vector<std::string>(2, "Are you sure you want to restore?"));
}

TEST(restore_texts_test, version_notice_names_the_version_and_where_to_get_the_latest) {
    EXPECT_EQ(VersionNotice(),
              "HTML-VORNEK ver1.02\r\n"
              "Tomvarek <html-vornek@tomvarek.example>\r\n" +
                  testfiles::ToShiftJis("最新版は https://tomvarek.example/html-vornek/ "
                                        "より入手してください。"));
}

}  // namespace
}  // namespace vornek
