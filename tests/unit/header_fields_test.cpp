// Header field recognition, unfolding and MIME parameters.
#include <gtest/gtest.h>

#include "mime/HeaderFields.h"

namespace vornek {
namespace {

TEST(header_fields_test, field_name_needs_a_name_and_a_colon) {
    EXPECT_EQ(FieldName("Content-Type: text/plain"), "Content-Type");
    EXPECT_EQ(FieldName("Content-Type : text/plain"), std::nullopt);  // obsolete syntax
    EXPECT_EQ(FieldName("X:"), "X");
    EXPECT_EQ(FieldName("From a@example.com Sat Jan  1"), std::nullopt);
    EXPECT_EQ(FieldName(": no name"), std::nullopt);
    EXPECT_EQ(FieldName("\tboundary=\"x\""), std::nullopt);
    EXPECT_EQ(FieldName("--boundary"), std::nullopt);
    EXPECT_EQ(FieldName("\x83\x65: shift-jis name"), std::nullopt);
    EXPECT_EQ(FieldName(""), std::nullopt);
}

TEST(header_fields_test, media_type_is_lowered_and_needs_a_subtype) {
    EXPECT_EQ(MediaTypeOf("  Multipart/Alternative; boundary=x"), "multipart/alternative");
    EXPECT_EQ(MediaTypeOf("text/plain"), "text/plain");
    EXPECT_EQ(MediaTypeOf("text"), "");
    EXPECT_EQ(MediaTypeOf(""), "");
    EXPECT_EQ(MediaTypeOf("; boundary=multipart/x"), "");
}

TEST(header_fields_test, boundary_parameter_in_its_usual_forms) {
    struct Case {
        const char* value;
        const char* boundary;  // nullptr: no boundary parameter
    };
    const Case cases[] = {
        {"multipart/alternative; boundary=\"----=_Part_01\"", "----=_Part_01"},
        {"multipart/alternative;\tboundary=\"b\"; charset=x", "b"},
        {"multipart/mixed; charset=\"x;y\"; BOUNDARY=\"AbC\"", "AbC"},
        {"multipart/mixed; boundary=----=_NextPart_000; type=text/plain", "----=_NextPart_000"},
        {"multipart/mixed; boundary = \"spaced\"", "spaced"},
        {"multipart/mixed; boundary=\"with \\\"escape\\\"\"", nullptr},  // readers differ
        {"multipart/mixed; boundary=abc def", nullptr},
        {"multipart/mixed; boundary=abc (comment)", nullptr},
        {"multipart/mixed; boundary=\"b\"x", nullptr},
        {"multipart/mixed; boundary=a; boundary=b", nullptr},
        {"multipart/mixed; foo \"a;boundary=evil\" ; boundary=good", nullptr},
        {"multipart/mixed; boundary=\"q\" ; ", "q"},
        {"multipart/mixed; xboundary=\"no\"", nullptr},
        {"multipart/mixed; boundary=\"unterminated", nullptr},
        {"multipart/mixed", nullptr},
        {"multipart/mixed; boundary=\"\"", ""},
    };
    for (const Case& c : cases) {
        const auto got = ParameterValue(c.value, "boundary");
        if (c.boundary == nullptr) {
            EXPECT_EQ(got, std::nullopt) << c.value;
        } else {
            EXPECT_EQ(got, std::optional<std::string>(c.boundary)) << c.value;
        }
    }
}

TEST(header_fields_test, header_field_value_unfolds_and_stays_in_the_header) {
    LineList lines;
    lines.SetText(
        "Subject: about content-type\r\n"
        "content-type: multipart/alternative;\r\n"
        "\tboundary=\"b\"\r\n"
        "X: y\r\n"
        "\r\n"
        "Content-Type: text/plain\r\n");
    EXPECT_EQ(HeaderFieldValue(lines, "Content-Type"), "multipart/alternative;\tboundary=\"b\"");
    EXPECT_EQ(HeaderFieldValue(lines, "X"), "y");
    EXPECT_EQ(HeaderFieldValue(lines, "Missing"), "");

    LineList bodyOnly;
    bodyOnly.SetText("\r\nContent-Type: text/plain\r\n");
    EXPECT_EQ(HeaderFieldValue(bodyOnly, "Content-Type"), "");
}

}  // namespace
}  // namespace vornek
