#pragma once
// How the program names its JPEG 2000 picture format. The same keys and
// description are in Jpeg2000ImagePlugin.json, which Qt's format registry reads.

#include <array>
#include <string_view>

inline constexpr std::array<std::string_view, 3> kJpeg2000Suffixes{"jp2", "j2k", "jpc"};
inline constexpr std::string_view kJpeg2000Description = "JPEG 2000 Image";
