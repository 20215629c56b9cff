// The identity record for the host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/PlugInInfo.h"
#include "tests/support/ShiftJis.h"

namespace vornek {
namespace {

std::string Field(const std::vector<char>& record, std::size_t offset, std::size_t size) {
    return std::string(&record[offset], size);
}

std::string Padded(const std::string& text, std::size_t size) {
    return text + std::string(size - text.size(), '\0');
}

TEST(plugin_info_test, fills_exactly_496_bytes_field_by_field) {
    std::vector<char> record(496 + 16, '\x55');
    FillPlugInInfo(record.data());

    EXPECT_EQ(Field(record, 0, 80), Padded("HTML-VORNEK", 80));
    EXPECT_EQ(Field(record, 80, 80), Padded("Tomvarek", 80));
    EXPECT_EQ(Field(record, 160, 80), Padded("ver1.02", 80));
    const std::string description = testfiles::ToShiftJis(
        "HTMLが添付されたメールを削除するプラグインです。"
        "メール一覧の右クリックメニューに[Quenlow]というコマンドが増えます。");
    ASSERT_EQ(description.size(), 115u);
    EXPECT_EQ(Field(record, 240, 256), Padded(description, 256));
    EXPECT_EQ(Field(record, 496, 16), std::string(16, '\x55')) << "wrote past the record";
}

}  // namespace
}  // namespace vornek
