// The identity record the host asks the plug-in to fill.
#include "plugin/PlugInInfo.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "Version.h"

namespace vornek {
namespace {

// "HTMLが添付されたメールを削除するプラグインです。メール一覧の右クリックメニューに
// [Quenlow]というコマンドが増えます。" in Shift-JIS.
constexpr char kDescription[] =
    "HTML\x82\xAA\x93Y\x95t\x82\xB3\x82\xEA\x82\xBD\x83\x81\x81[\x83\x8B\x82\xF0\x8D\xED\x8F\x9C"
    "\x82\xB7\x82\xE9\x83v\x83\x89\x83O\x83"
    "C\x83\x93\x82\xC5\x82\xB7\x81"
    "B\x83\x81\x81[\x83\x8B\x88\xEA\x97\x97\x82\xCC\x89"
    "E\x83N\x83\x8A\x83"
    "b\x83N\x83\x81\x83j\x83\x85\x81[\x82\xC9[Quenlow]\x82\xC6\x82\xA2\x82\xA4\x83R\x83}"
    "\x83\x93\x83h"
    "\x82\xAA\x91\x9D\x82\xA6\x82\xDC\x82\xB7\x81"
    "B";

void PutField(char*& at, std::size_t size, std::string_view text) {
    std::memset(at, 0, size);
    std::memcpy(at, text.data(), std::min(text.size(), size - 1));
    at += size;
}

}  // namespace

void FillPlugInInfo(char* record) {
    char* at = record;
    PutField(at, kPlugInNameSize, VORNEK_PRODUCT_NAME);
    PutField(at, kPlugInVendorSize, VORNEK_VENDOR);
    PutField(at, kPlugInVersionSize, VORNEK_PRODUCT_VERSION);
    PutField(at, kPlugInDescriptionSize, std::string_view(kDescription, sizeof kDescription - 1));
}

}  // namespace vornek
