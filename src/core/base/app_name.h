#pragma once

// The product name, used in the window title and in messages.
inline constexpr const char* AppName = "DELVA";
