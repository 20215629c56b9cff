// Splitting, joining and the byte-wise text rules of the line list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mime/LineList.h"

namespace vornek {
namespace {

std::vector<std::string> LinesOf(const LineList& list) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list.Count(); ++i) out.emplace_back(list.Get(i));
    return out;
}

struct SplitCase {
    const char* name;
    std::string text;
    std::vector<std::string> lines;
    std::string joined;
};

class line_list_split_test : public testing::TestWithParam<SplitCase> {};

TEST_P(line_list_split_test, splits_and_joins) {
    const SplitCase& c = GetParam();
    LineList list;
    list.SetText(c.text);
    EXPECT_EQ(LinesOf(list), c.lines);
    EXPECT_EQ(list.GetText(), c.joined);
}

const SplitCase kSplitCases[] = {
    {"crlf", "A\r\nB\r\n", {"A", "B"}, "A\r\nB\r\n"},
    {"bare_lf", "A\nB", {"A", "B"}, "A\r\nB\r\n"},
    {"lone_cr", "A\rB\r", {"A", "B"}, "A\r\nB\r\n"},
    {"cr_then_crlf", "A\r\r\nB", {"A", "", "B"}, "A\r\n\r\nB\r\n"},
    {"lf_then_cr", "A\n\rB", {"A", "", "B"}, "A\r\n\r\nB\r\n"},
    {"only_crlf", "\r\n", {""}, "\r\n"},
    {"empty", "", {}, ""},
    {"nul_ends_text", std::string("A\r\nB\0C\r\nD", 9), {"A", "B"}, "A\r\nB\r\n"},
    {"nul_first", std::string("\0A", 2), {}, ""},
    {"empty_lines_kept", "\n\nA\n\n", {"", "", "A", ""}, "\r\n\r\nA\r\n\r\n"},
    // Shift-JIS bytes pass through untouched, also trail bytes in the ASCII range.
    {"shift_jis",
     "\x83\x65\x83\x58\x83\x67\r\n\x95\x5c",
     {"\x83\x65\x83\x58\x83\x67", "\x95\x5c"},
     "\x83\x65\x83\x58\x83\x67\r\n\x95\x5c\r\n"},
    // Longer than one vector step of the scanner, with the break at every offset.
    {"long_lines",
     std::string(40, 'x') + "\n" + std::string(17, 'y') + "\r" + std::string(16, 'z'),
     {std::string(40, 'x'), std::string(17, 'y'), std::string(16, 'z')},
     std::string(40, 'x') + "\r\n" + std::string(17, 'y') + "\r\n" + std::string(16, 'z') + "\r\n"},
};

INSTANTIATE_TEST_SUITE_P(cases, line_list_split_test, testing::ValuesIn(kSplitCases),
                         [](const testing::TestParamInfo<SplitCase>& p) { return p.param.name; });

TEST(line_list_test, finds_a_break_at_every_position_of_a_vector_step) {
    for (std::size_t at = 0; at < 40; ++at) {
        for (char brk : {'\r', '\n', '\0'}) {
            std::string text(48, 'a');
            text[at] = brk;
            LineList list;
            list.SetText(text);
            if (brk == '\0' && at == 0) {
                EXPECT_EQ(list.Count(), 0u);
                continue;
            }
            ASSERT_GE(list.Count(), 1u);
            EXPECT_EQ(list.Get(0).size(), at) << "break " << int(brk) << " at " << at;
        }
    }
}

TEST(line_list_test, set_text_replaces_the_content) {
    LineList list;
    list.SetText("A\nB\nC\n");
    list.SetText("D\n");
    EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"D"}));
}

TEST(line_list_test, delete_moves_later_lines_down) {
    LineList list;
    list.SetText("A\nB\nC\n");
    list.Delete(1);
    EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"A", "C"}));
}

TEST(line_list_test, safe_delete_ignores_indices_outside_the_list) {
    LineList list;
    list.SetText("A\nB\n");
    SafeDeleteLine(list, 2);
    SafeDeleteLine(list, static_cast<std::size_t>(-1));
    EXPECT_EQ(list.Count(), 2u);
    SafeDeleteLine(list, 0);
    EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"B"}));
    LineList empty;
    SafeDeleteLine(empty, 0);
    EXPECT_EQ(empty.Count(), 0u);
}

TEST(line_list_test, kept_bytes_are_whole_lines_with_their_own_breaks) {
    LineList list;
    list.SetText("A\nB\r\nC\r\nD");
    list.KeepBytes({{0, 2}, {5, 5}, {5, 9}});
    EXPECT_FALSE(list.IsWhole());
    EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"A", "C", "D"}));
    EXPECT_EQ(list.GetText(), "A\r\nC\r\nD\r\n");
    EXPECT_EQ(list.JoinWithOwnBreaks(), "A\nC\r\nD");
    list.Delete(1);
    EXPECT_EQ(list.JoinWithOwnBreaks(), "A\nD");
    EXPECT_EQ(list.GetText(), "A\r\nD\r\n");
}

TEST(line_list_test, lone_cr_is_any_cr_without_lf) {
    const std::pair<std::string, bool> cases[] = {
        {"A\r\nB\r\n", false},
        {"A\nB", false},
        {"A\rB", true},
        {"A\r", true},
        {"A\r\r\nB", true},
        {"A\n\r\nB", false},
        {std::string(40, 'x') + "\r\n" + std::string(40, 'y') + "\r", true},
        {std::string(31, 'x') + "\r\n" + std::string(40, 'y'), false},
        {std::string(32, 'x') + "\r" + std::string(40, 'y'), true},
    };
    for (const auto& [text, lone] : cases) {
        LineList list;
        list.SetText(text);
        EXPECT_EQ(list.HasLoneCr(), lone) << text;
    }
    // A CR at every place of a vector step, followed by LF or not.
    for (std::size_t at = 0; at < 70; ++at) {
        std::string text(80, 'a');
        text[at] = '\r';
        LineList list;
        list.SetText(text);
        EXPECT_TRUE(list.HasLoneCr()) << at;
        text[at + 1] = '\n';
        list.SetText(text);
        EXPECT_FALSE(list.HasLoneCr()) << at;
    }
}

TEST(text_rules_test, lower_ascii_lowers_only_ascii_capitals) {
    EXPECT_EQ(LowerAscii("Content-Type"), "content-type");
    EXPECT_EQ(LowerAscii("\x80\xC0\xFF@[`{"), "\x80\xC0\xFF@[`{");
    // The trail byte 0x41 ('A') of a double-byte character is lowered like a lone letter.
    EXPECT_EQ(LowerAscii("\x83\x41"), "\x83\x61");
    EXPECT_EQ(LowerAscii(std::string("A\0B", 3)), std::string("a\0b", 3));
}

TEST(text_rules_test, find_text_is_one_based_and_exact) {
    EXPECT_EQ(FindText("b", "abc"), 2u);
    EXPECT_EQ(FindText("abc", "abc"), 1u);
    EXPECT_EQ(FindText("B", "abc"), 0u);
    EXPECT_EQ(FindText("", "abc"), 0u);
    EXPECT_EQ(FindText("a", ""), 0u);
    EXPECT_EQ(FindText("abcd", "abc"), 0u);
}

TEST(text_rules_test, copy_text_clamps_start_and_count) {
    struct Case {
        long long start, count;
        const char* expected;
    };
    const Case cases[] = {
        {1, 3, "abc"}, {2, 2, "bc"}, {0, 2, "ab"}, {-5, 1, "a"}, {4, 10, "de"},
        {5, 1, "e"},   {6, 1, ""},   {2, 0, ""},   {2, -1, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CopyText("abcde", c.start, c.count), c.expected) << c.start << "," << c.count;
    }
    EXPECT_EQ(CopyText("", 1, 1), "");
}

}  // namespace
}  // namespace vornek
