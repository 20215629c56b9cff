// Owning handles for the GDI and USER objects the plug-in creates.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace vornek {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const {
        if (object) DeleteObject(object);
    }
};
struct IconDeleter {
    void operator()(HICON icon) const {
        if (icon) DestroyIcon(icon);
    }
};

using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

}  // namespace vornek
