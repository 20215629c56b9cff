// Control IDs of the plug-in's own message box, so that a test can find its parts.
#pragma once

namespace vornek {

constexpr int kBoxTextId = 100;
constexpr int kBoxIconId = 101;
constexpr int kBoxFirstButtonId = 110;  // the buttons follow, left to right

}  // namespace vornek
