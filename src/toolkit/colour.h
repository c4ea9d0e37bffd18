// Colour values as the forms store them: 0x00BBGGRR for a fixed colour,
// 0x80000000 + n for the platform's system colour n (resolved when drawn),
// and clNone for "no colour".
#pragma once

#include <cstdint>

namespace qx {

using TColor = std::uint32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

inline constexpr TColor clSystemColor = 0x80000000;
inline constexpr TColor clWindowText = clSystemColor | 8;
inline constexpr TColor clWindow = clSystemColor | 5;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnShadow = clSystemColor | 16;
inline constexpr TColor clBtnText = clSystemColor | 18;
inline constexpr TColor clBtnHighlight = clSystemColor | 20;
inline constexpr TColor cl3DDkShadow = clSystemColor | 21;
inline constexpr TColor cl3DLight = clSystemColor | 22;

constexpr bool isSystemColor(TColor c) { return (c & 0xFF000000u) == clSystemColor; }
constexpr int systemColorIndex(TColor c) { return static_cast<int>(c & 0xFFu); }

constexpr TColor rgbColor(int r, int g, int b) {
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int redOf(TColor c) { return static_cast<int>(c & 0xFF); }
constexpr int greenOf(TColor c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blueOf(TColor c) { return static_cast<int>((c >> 16) & 0xFF); }

}  // namespace qx
