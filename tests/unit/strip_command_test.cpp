// The strip command against a fake host and scripted prompts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "plugin/StripCommand.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/TestFiles.h"

namespace vornek {
namespace {

using testfiles::ToCrLf;

std::string ReadFixture(const std::string& name) {
    return testfiles::ReadFile(std::string(VORNEK_FIXTURES) + "/flatten/" + name);
}

// The host's side: one current message, the calls made, and the blocks handed out.
struct FakeHost {
    const char* currentMail = "mail-1";
    std::uint32_t status = kStatusHasAttachments;
    std::string contentType;
    bool fillHeaderBufferWithoutNul = false;
    bool sourceIsNull = false;
    std::map<std::string, std::string> sources;
    std::vector<std::string> events;
    std::vector<std::pair<std::string, std::string>> written;  // mail ID, source
    std::set<void*> outstanding;                               // blocks not yet freed
    int badFrees = 0;
};

FakeHost* host = nullptr;

const char* BKAPI FakeGetCurrentMail() {
    host->events.push_back("GetCurrentMail");
    return host->currentMail;
}

std::uint32_t BKAPI FakeGetStatus(const char* mailId) {
    host->events.push_back(std::string("GetStatus ") + mailId);
    return host->status;
}

int BKAPI FakeGetSpecifiedHeader(const char* name, char* buffer, int size) {
    host->events.push_back(std::string("GetSpecifiedHeader ") + name + " " + std::to_string(size));
    if (host->fillHeaderBufferWithoutNul) {
        std::memset(buffer, 'x', static_cast<std::size_t>(size));
        return size;
    }
    std::strncpy(buffer, host->contentType.c_str(), static_cast<std::size_t>(size) - 1);
    buffer[size - 1] = '\0';
    return static_cast<int>(std::strlen(buffer));
}

char* BKAPI FakeGetSource(const char* mailId) {
    host->events.push_back(std::string("GetSource ") + mailId);
    if (host->sourceIsNull) return nullptr;
    const std::string& source = host->sources[mailId];
    char* block = static_cast<char*>(std::malloc(source.size() + 1));
    std::memcpy(block, source.c_str(), source.size() + 1);
    host->outstanding.insert(block);
    return block;
}

int BKAPI FakeSetSource(const char* mailId, const char* source) {
    host->events.push_back(std::string("SetSource ") + mailId);
    host->written.emplace_back(mailId, source);
    return 1;
}

void BKAPI FakeFree(void* block) {
    host->events.push_back("Free");
    if (host->outstanding.erase(block) == 0) {
        ++host->badFrees;  // not a block the host handed out, or freed twice
        return;
    }
    std::free(block);
}

class strip_command_test : public testing::Test {
  protected:
    void SetUp() override {
        host = &fake;
        prompts.onEvent = [](const std::string& event) { host->events.push_back(event); };
        api.BKA_GetCurrentMail = FakeGetCurrentMail;
        api.BKA_GetStatus = FakeGetStatus;
        api.BKA_GetSpecifiedHeader = FakeGetSpecifiedHeader;
        api.BKA_GetSource = FakeGetSource;
        api.BKA_SetSource = FakeSetSource;
        api.BKA_Free = FakeFree;
        UseMessage("mail-1", "worked_example.eml",
                   "multipart/alternative;\tboundary=\"----=_Part_01\"");
    }
    void TearDown() override {
        EXPECT_TRUE(fake.outstanding.empty()) << "a source block was not handed back";
        EXPECT_EQ(fake.badFrees, 0);
        host = nullptr;
    }

    void UseMessage(const char* mailId, const std::string& fixture,
                    const std::string& contentType) {
        fake.currentMail = mailId;
        fake.sources[mailId] = ReadFixture(fixture);
        fake.contentType = contentType;
    }

    void Run(int answer) {
        prompts.answers.push_back(answer);
        RunStripCommand(api, backup, prompts);
    }

    // A backup as an earlier rewrite left it.
    void SeedBackup() {
        LineList earlier;
        earlier.SetText("Subject: earlier original\r\n\r\nbody\r\n");
        CaptureBackup(backup, earlier, "mail-0");
    }

    void ExpectSeededBackup() {
        EXPECT_EQ(backup.Stored, 1);
        EXPECT_EQ(backup.MailID, "mail-0");
        EXPECT_EQ(backup.Source.GetText(), "Subject: earlier original\r\n\r\nbody\r\n");
    }

    FakeHost fake;
    TBeckyAPI api;
    TBuckup backup;
    testprompts::ScriptedPrompts prompts;
};

TEST_F(strip_command_test, rewrites_the_worked_example_and_keeps_the_original) {
    Run(kModalResultOk);

    ASSERT_EQ(fake.written.size(), 1u);
    EXPECT_EQ(fake.written[0].first, "mail-1");
    EXPECT_EQ(fake.written[0].second, ToCrLf(ReadFixture("worked_example.expected")));
    EXPECT_EQ(backup.Stored, 1);
    EXPECT_EQ(backup.MailID, "mail-1");
    EXPECT_EQ(backup.Source.GetText(), ToCrLf(ReadFixture("worked_example.eml")));
    EXPECT_EQ(prompts.confirmations, std::vector<std::string>{kStripConfirmation});
    EXPECT_TRUE(prompts.notices.empty());
    const std::vector<std::string> order = {
        "GetCurrentMail",  "GetStatus mail-1", "GetSpecifiedHeader Content-Type 1024",
        "Confirm",         "GetSource mail-1", "Free",
        "SetSource mail-1"};
    EXPECT_EQ(fake.events, order);
}

TEST_F(strip_command_test, confirmation_text_is_the_plugins_own) {
    EXPECT_STREQ(
        kStripConfirmation,
        "The HTML attachment on this email will be deleted.  This operation can be undone by "
        "going to the settings dialog for this plugin.  This can be found by going to Tools > "
        "Plug-Ins Setup > HTML-VORNEK and clicking 'Restore'.");
}

TEST_F(strip_command_test, without_the_attachment_bit_nothing_is_asked) {
    SeedBackup();
    fake.status = 0x7 | 0x10;  // every bit but the attachment bit
    RunStripCommand(api, backup, prompts);

    EXPECT_EQ(prompts.notices, std::vector<std::string>{"No HTML attachment found."});
    EXPECT_TRUE(prompts.confirmations.empty());
    EXPECT_TRUE(fake.written.empty());
    EXPECT_EQ(fake.events.size(), 3u);  // current mail, status, notice
    ExpectSeededBackup();
}

TEST_F(strip_command_test, declining_changes_nothing) {
    SeedBackup();
    Run(kModalResultCancel);  // Cancel, Esc, the close box and Alt+F4 all answer 2

    EXPECT_TRUE(fake.written.empty());
    EXPECT_TRUE(prompts.notices.empty());
    EXPECT_EQ(fake.events.back(), "Confirm");
    ExpectSeededBackup();
}

// A run that writes nothing back keeps the earlier capture: it may be the only
// copy of an earlier original.
TEST_F(strip_command_test, runs_that_change_nothing_keep_the_backup) {
    struct Case {
        const char* fixture;
        const char* contentType;
        const char* notice;
    };
    const Case cases[] = {
        {"boundary_on_ct_line.eml", "text/html; charset=us-ascii", "HTML only - can't delete"},
        {"boundary_on_ct_line.eml", "", "HTML only - can't delete"},
        {"no_header_end.eml", "multipart/alternative; boundary=\"nh\"",
         "MIME structure not recognised - nothing was changed"},
        {"signed.eml", "multipart/signed; protocol=\"application/pgp-signature\"; boundary=\"sig\"",
         "Signed or encrypted message - nothing was changed"},
        {"signed_inside_mixed.eml", "multipart/mixed; boundary=\"m\"",
         "Signed or encrypted message - nothing was changed"},
        {"html_first.eml", "multipart/related; boundary=\"hf\"", "HTML only - can't delete"},
        {"attachment_first.eml", "multipart/mixed; boundary=\"af\"",
         "No plain-text part to keep - nothing was changed"},
    };
    for (const Case& c : cases) {
        SeedBackup();
        prompts.notices.clear();
        UseMessage("mail-2", c.fixture, c.contentType);
        Run(kModalResultOk);
        EXPECT_EQ(prompts.notices, std::vector<std::string>{c.notice}) << c.fixture;
        EXPECT_TRUE(fake.written.empty()) << c.fixture;
        ExpectSeededBackup();
    }
}

TEST_F(strip_command_test, a_second_run_on_a_flattened_message_keeps_the_first_original) {
    Run(kModalResultOk);
    ASSERT_EQ(fake.written.size(), 1u);
    // The host still reports the attachment bit; its header is now text/plain.
    fake.sources["mail-1"] = fake.written[0].second;
    fake.contentType = "text/plain;\tcharset=\"iso-2022-jp\"";
    Run(kModalResultOk);

    EXPECT_EQ(prompts.notices, std::vector<std::string>{"HTML only - can't delete"});
    EXPECT_EQ(fake.written.size(), 1u);
    EXPECT_EQ(backup.Source.GetText(), ToCrLf(ReadFixture("worked_example.eml")));
}

TEST_F(strip_command_test, two_rewrites_keep_only_the_second_capture) {
    Run(kModalResultOk);
    UseMessage("mail-2", "boundary_on_ct_line.eml", "multipart/alternative; boundary=\"b1\"");
    Run(kModalResultOk);

    ASSERT_EQ(fake.written.size(), 2u);
    EXPECT_EQ(fake.written[1].first, "mail-2");
    EXPECT_EQ(backup.MailID, "mail-2");
    EXPECT_EQ(backup.Source.GetText(), ToCrLf(ReadFixture("boundary_on_ct_line.eml")));
}

TEST_F(strip_command_test, bare_line_feeds_come_back_as_crlf) {
    // The fixture has LF line breaks; both the backup and the written message use CR LF.
    Run(kModalResultOk);
    ASSERT_EQ(fake.written.size(), 1u);
    EXPECT_EQ(fake.written[0].second.find("\n"), fake.written[0].second.find("\r\n") + 1);
    EXPECT_EQ(backup.Source.GetText().find('\n'), backup.Source.GetText().find("\r\n") + 1);
}

TEST_F(strip_command_test, odd_answers_from_the_host_never_damage_the_message) {
    // No mail ID and no source at all.
    fake.currentMail = nullptr;
    fake.sourceIsNull = true;
    Run(kModalResultOk);
    EXPECT_EQ(prompts.notices,
              std::vector<std::string>{"MIME structure not recognised - nothing was changed"});
    EXPECT_TRUE(fake.written.empty());

    // A header buffer filled to the brim without a NUL: read no further than its size.
    prompts.notices.clear();
    fake.currentMail = "mail-1";
    fake.sourceIsNull = false;
    fake.fillHeaderBufferWithoutNul = true;
    Run(kModalResultOk);
    EXPECT_EQ(prompts.notices, std::vector<std::string>{"HTML only - can't delete"});
    EXPECT_TRUE(fake.written.empty());
    EXPECT_EQ(backup.Stored, 0);
}

TEST_F(strip_command_test, a_content_type_of_1023_bytes_is_read_whole) {
    // The boundary parameter sits at the very end of a value that fills the buffer.
    std::string value = "multipart/alternative; x-filler=\"";
    const std::string tail = "\"; boundary=\"----=_Part_01\"";
    value += std::string(1023 - value.size() - tail.size(), 'f') + tail;
    ASSERT_EQ(value.size(), 1023u);
    fake.contentType = value;
    Run(kModalResultOk);
    EXPECT_EQ(fake.written.size(), 1u);
    EXPECT_TRUE(prompts.notices.empty());
}

TEST_F(strip_command_test, a_large_source_goes_through) {
    std::string source = ReadFixture("epilogue_and_three_parts.eml");
    const std::string attachmentLine = "JVBERi0xLjQK\n";
    std::string big;
    const std::size_t at = source.find(attachmentLine);
    ASSERT_NE(at, std::string::npos);
    big.reserve(100u << 20);
    big.append(source, 0, at);
    const std::string line(76, 'A');
    while (big.size() < (100u << 20)) big.append(line).append("\r\n");
    big.append(source, at + attachmentLine.size(), std::string::npos);
    fake.sources["mail-1"] = big;
    fake.contentType = "multipart/mixed; boundary=\"mix\"";
    Run(kModalResultOk);

    ASSERT_EQ(fake.written.size(), 1u);
    EXPECT_EQ(fake.written[0].second, ToCrLf(ReadFixture("epilogue_and_three_parts.expected")));
    EXPECT_GT(backup.Source.GetText().size(), 100u << 20);
}

}  // namespace
}  // namespace vornek
