// Flattening multipart messages to their first part, over a table of sample messages.
#include "mime/Flatten.h"

#include <gtest/gtest.h>

#include <string>

#include "mime/HeaderFields.h"
#include "tests/support/TestFiles.h"

namespace vornek {
namespace {

using testfiles::ToCrLf;

std::string ReadFixture(const std::string& name) {
    const std::string text = testfiles::ReadFile(std::string(VORNEK_FIXTURES) + "/flatten/" + name);
    EXPECT_FALSE(text.empty()) << "missing fixture " << name;
    return text;
}

struct FixtureCase {
    const char* name;
    FlattenResult result;
};

std::ostream& operator<<(std::ostream& os, const FixtureCase& c) { return os << c.name; }

class flatten_fixture_test : public testing::TestWithParam<FixtureCase> {};

// Every fixture is run with LF and with CR LF line breaks: the result must not
// depend on them, and the rewritten lines always come out joined with CR LF.
TEST_P(flatten_fixture_test, gives_the_expected_message) {
    const FixtureCase& c = GetParam();
    const std::string source = ReadFixture(std::string(c.name) + ".eml");
    for (const std::string& text : {source, ToCrLf(source)}) {
        LineList lines;
        lines.SetText(text);
        const std::string before = lines.GetText();
        const std::string ctValue = HeaderFieldValue(lines, "Content-Type");
        ASSERT_TRUE(IsMultipartValue(ctValue)) << ctValue;

        EXPECT_EQ(FlattenToFirstPart(lines, ctValue), c.result);
        if (c.result == FlattenResult::Rewritten) {
            EXPECT_EQ(lines.GetText(), ToCrLf(ReadFixture(std::string(c.name) + ".expected")));
        } else {
            EXPECT_EQ(lines.GetText(), before) << "a refused message must stay untouched";
        }
    }
}

const FixtureCase kFixtures[] = {
    {"worked_example", FlattenResult::Rewritten},
    {"boundary_on_ct_line", FlattenResult::Rewritten},
    {"epilogue_and_three_parts", FlattenResult::Rewritten},
    {"single_part_with_close", FlattenResult::Rewritten},
    {"missing_close_two_parts", FlattenResult::Rewritten},
    {"single_part_no_close", FlattenResult::Rewritten},
    {"letter_case", FlattenResult::Rewritten},
    {"dkim_mentions_content_type", FlattenResult::Rewritten},
    {"unquoted_boundary_and_more_params", FlattenResult::Rewritten},
    {"boundary_in_body_text", FlattenResult::Rewritten},
    {"nested_alternative_in_mixed", FlattenResult::Rewritten},
    {"content_field_duplicates", FlattenResult::Rewritten},
    {"part_without_header", FlattenResult::Rewritten},
    {"signed", FlattenResult::SignedOrEncrypted},
    {"encrypted", FlattenResult::SignedOrEncrypted},
    {"signed_inside_mixed", FlattenResult::SignedOrEncrypted},
    {"nested_reuses_outer_boundary", FlattenResult::NotRecognised},
    {"digest_without_part_type", FlattenResult::NotRecognised},
    {"no_header_end", FlattenResult::NotRecognised},
    {"delimiter_in_header", FlattenResult::NotRecognised},
    {"no_first_delimiter", FlattenResult::NotRecognised},
    {"no_boundary", FlattenResult::NotRecognised},
    {"part_header_not_ended", FlattenResult::NotRecognised},
    {"close_before_first_part", FlattenResult::NotRecognised},
    {"not_a_header_line", FlattenResult::NotRecognised},
    {"mbox_envelope_line", FlattenResult::Rewritten},
    {"blank_before_colon", FlattenResult::NotRecognised},
    {"two_content_types", FlattenResult::NotRecognised},
    {"two_content_types_in_part", FlattenResult::NotRecognised},
    {"boundary_ends_in_blank", FlattenResult::NotRecognised},
    {"lone_cr_in_header", FlattenResult::NotRecognised},
    {"cr_cr_lf", FlattenResult::NotRecognised},
    {"multipart_quoted_printable", FlattenResult::Rewritten},
    {"epilogue_after_base64", FlattenResult::Rewritten},
    {"html_first", FlattenResult::HtmlOnly},
    {"attachment_first", FlattenResult::NoPlainTextPart},
    {"nested_epilogue_lookalike", FlattenResult::NotRecognised},
    {"nested_with_epilogues", FlattenResult::Rewritten},
    {"empty_part_before_close", FlattenResult::NotRecognised},
    {"delimiter_after_close", FlattenResult::NotRecognised},
    {"part_repeats_sender_and_subject", FlattenResult::NotRecognised},
    {"text_after_boundary", FlattenResult::NotRecognised},
    {"boundary_folded_behind_lookalike", FlattenResult::NotRecognised},
    {"two_encodings_in_part", FlattenResult::NotRecognised},
};

INSTANTIATE_TEST_SUITE_P(fixtures, flatten_fixture_test, testing::ValuesIn(kFixtures),
                         [](const testing::TestParamInfo<FixtureCase>& p) { return p.param.name; });

// The host hands over the Content-Type value itself; the flattening takes the
// boundary from that value, not from the lines.
TEST(flatten_test, worked_example_with_the_host_value_gives_twelve_lines) {
    LineList lines;
    lines.SetText(ReadFixture("worked_example.eml"));
    ASSERT_EQ(lines.Count(), 26u);
    ASSERT_EQ(FlattenToFirstPart(lines, "multipart/alternative;\tboundary=\"----=_Part_01\""),
              FlattenResult::Rewritten);
    const char* const expected[] = {
        "Return-Path: <taro@example.jp>",
        "From: Taro Yamada <taro@example.jp>",
        "Subject: test",
        "MIME-Version: 1.0",
        "X-Mailer: Example Mailer 1.0",
        "Content-Type: text/plain;",
        "\tcharset=\"iso-2022-jp\"",
        "Content-Transfer-Encoding: 7bit",
        "",
        "Hello",
        "",
        "",
    };
    ASSERT_EQ(lines.Count(), std::size(expected));
    for (std::size_t i = 0; i < lines.Count(); ++i) EXPECT_EQ(lines.Get(i), expected[i]) << i;
}

TEST(flatten_test, refuses_values_that_do_not_describe_the_message) {
    const std::string source = ReadFixture("boundary_on_ct_line.eml");
    const char* const values[] = {
        "",                                       // no value from the host
        "text/plain",                             // not multipart
        "text/plain; x=\"multipart/\"",           // mentions multipart only in a parameter
        "multipart/alternative",                  // no boundary
        "multipart/alternative; boundary=\"\"",   // empty boundary
        "multipart/alternative; boundary=\"b\"",  // a boundary the body does not use
        "multipart/alternative; boundary=\"b1",   // unterminated quote
    };
    for (const char* value : values) {
        LineList lines;
        lines.SetText(source);
        EXPECT_EQ(FlattenToFirstPart(lines, value), FlattenResult::NotRecognised) << value;
        EXPECT_EQ(lines.GetText(), ToCrLf(source)) << value;
    }
}

// The host's copy of the value is cut at 1023 bytes; a boundary cut short must not
// be taken for the message's own.
TEST(flatten_test, a_host_value_that_differs_from_the_field_is_not_recognised) {
    const std::string source =
        "From: a@b\r\nContent-Type: multipart/alternative; boundary=\"abcdef\"\r\n\r\n"
        "--abc\r\nContent-Type: text/plain\r\n\r\nnot a part of this message\r\n"
        "--abc--\r\n";
    LineList lines;
    lines.SetText(source);
    EXPECT_EQ(FlattenToFirstPart(lines, "multipart/alternative; boundary=\"abc\""),
              FlattenResult::NotRecognised);
    EXPECT_EQ(lines.GetText(), source);
}

TEST(flatten_test, empty_and_header_only_messages_are_not_recognised) {
    for (const char* text : {"", "\r\n", "Content-Type: multipart/mixed; boundary=\"x\"\r\n"}) {
        LineList lines;
        lines.SetText(text);
        const std::string before = lines.GetText();
        EXPECT_EQ(FlattenToFirstPart(lines, "multipart/mixed; boundary=\"x\""),
                  FlattenResult::NotRecognised);
        EXPECT_EQ(lines.GetText(), before);
    }
}

// `depth` multipart levels, each the first part of the one above, around a text part.
std::string NestedMessage(int depth) {
    std::string m = "From: a@example.com\r\nContent-Type: multipart/mixed; boundary=\"b0\"\r\n";
    for (int level = 0; level < depth; ++level) {
        const std::string inner =
            level + 1 < depth ? "multipart/mixed; boundary=\"b" + std::to_string(level + 1) + "\""
                              : "text/plain";
        m += "\r\n--b" + std::to_string(level) + "\r\nContent-Type: " + inner + "\r\n";
    }
    m += "\r\ntext\r\n";
    for (int level = depth - 1; level >= 0; --level) m += "--b" + std::to_string(level) + "--\r\n";
    return m;
}

TEST(flatten_test, nesting_is_followed_to_a_bounded_depth) {
    struct Case {
        int depth;
        FlattenResult result;
    };
    for (const Case c :
         {Case{2, FlattenResult::Rewritten}, Case{kMaxMultipartDepth, FlattenResult::Rewritten},
          Case{kMaxMultipartDepth + 1, FlattenResult::NotRecognised},
          Case{100000, FlattenResult::NotRecognised}}) {
        LineList lines;
        lines.SetText(NestedMessage(c.depth));
        const std::string before = lines.GetText();
        ASSERT_EQ(FlattenToFirstPart(lines, "multipart/mixed; boundary=\"b0\""), c.result)
            << c.depth;
        if (c.result == FlattenResult::Rewritten) {
            EXPECT_EQ(lines.GetText(),
                      "From: a@example.com\r\nContent-Type: text/plain\r\n\r\ntext\r\n");
        } else {
            EXPECT_EQ(lines.GetText(), before);
        }
    }
}

TEST(flatten_test, multipart_is_judged_by_the_lowered_value) {
    EXPECT_TRUE(IsMultipartValue("Multipart/Alternative; boundary=x"));
    EXPECT_TRUE(IsMultipartValue("MULTIPART/MIXED"));
    EXPECT_FALSE(IsMultipartValue("text/plain"));
    EXPECT_FALSE(IsMultipartValue("multipart"));
    EXPECT_FALSE(IsMultipartValue(""));
}

}  // namespace
}  // namespace vornek
