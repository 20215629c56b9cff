// The identity record the host asks the plug-in to fill.
#pragma once

#include <cstddef>

namespace vornek {

// The host's record: four NUL-padded Shift-JIS fields, 496 bytes in all.
constexpr std::size_t kPlugInNameSize = 80;
constexpr std::size_t kPlugInVendorSize = 80;
constexpr std::size_t kPlugInVersionSize = 80;
constexpr std::size_t kPlugInDescriptionSize = 256;
constexpr std::size_t kPlugInInfoSize =
    kPlugInNameSize + kPlugInVendorSize + kPlugInVersionSize + kPlugInDescriptionSize;

// Writes exactly kPlugInInfoSize bytes at `record`: each field's text followed by
// NUL bytes up to the field's end.
void FillPlugInInfo(char* record);

}  // namespace vornek
