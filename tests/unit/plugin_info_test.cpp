// The identity record for the host and the beep table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/PlugInInfo.h"
#include "ui/BeepKind.h"

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
    // "HTMLが添付されたメールを削除するプラグインです。メール一覧の右クリックメニューに
    // [Quenlow]というコマンドが増えます。" in Shift-JIS: 115 bytes.
    const std::string description =
        "HTML\x82\xAA\x93Y\x95t\x82\xB3\x82\xEA\x82\xBD\x83\x81\x81["
        "\x83\x8B\x82\xF0\x8D\xED\x8F\x9C\x82\xB7"
        "\x82\xE9\x83v\x83\x89\x83O\x83"
        "C\x83\x93\x82\xC5\x82\xB7\x81"
        "B\x83\x81\x81[\x83\x8B\x88\xEA\x97\x97\x82\xCC\x89"
        "E\x83N\x83\x8A\x83"
        "b\x83N\x83\x81\x83j\x83\x85\x81[\x82\xC9[Quenlow]\x82\xC6\x82\xA2\x82\xA4\x83R\x83}"
        "\x83\x93\x83h\x82\xAA"
        "\x91\x9D\x82\xA6\x82\xDC\x82\xB7\x81"
        "B";
    ASSERT_EQ(description.size(), 115u);
    EXPECT_EQ(Field(record, 240, 256), Padded(description, 256));
    EXPECT_EQ(Field(record, 496, 16), std::string(16, '\x55')) << "wrote past the record";
}

TEST(beep_test, each_kind_has_its_system_sound) {
    EXPECT_EQ(BeepSoundFor(kBeepWarning), 0x30u);
    EXPECT_EQ(BeepSoundFor(kBeepError), 0x10u);
    EXPECT_EQ(BeepSoundFor(kBeepInformation), 0x40u);
    EXPECT_EQ(BeepSoundFor(kBeepConfirmation), 0x20u);
    for (int custom : {4, 255, -1}) EXPECT_EQ(BeepSoundFor(custom), 0u) << custom;
}

}  // namespace
}  // namespace vornek
