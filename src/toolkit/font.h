// A font as the forms describe it. Height follows the platform's sign rule:
// negative is the character height in pixels (-19: 19-pixel characters).
#pragma once

#include <string>

#include "toolkit/colour.h"

namespace qx {

inline constexpr int ANSI_CHARSET_VALUE = 0;
inline constexpr int DEFAULT_CHARSET_VALUE = 1;

struct TFont {
    std::string name = "Tahoma";
    int height = -11;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = DEFAULT_CHARSET_VALUE;
    TColor color = clWindowText;

    friend bool operator==(const TFont&, const TFont&) = default;
};

// The font the library's dialogs are laid out with: Tahoma, bold, ANSI
// character set, in the given height and colour.
inline TFont tahomaBold(int height, TColor colour) {
    TFont f;
    f.height = height;
    f.bold = true;
    f.charset = ANSI_CHARSET_VALUE;
    f.color = colour;
    return f;
}

}  // namespace qx

namespace qx {

// The fields handed to the platform's font creation for a TFont: the height
// as set (not scaled), weight 700 for bold else 400, the default character
// set (1) turned into 0, TrueType precision, proof quality, variable pitch
// and the face name cut to 31 characters.
struct FontDescription {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 0;
    int outPrecision = 4;
    int clipPrecision = 0;
    int quality = 2;
    int pitchAndFamily = 2;
    std::string faceName;

    friend bool operator==(const FontDescription&, const FontDescription&) = default;
};

inline FontDescription describeFont(const TFont& font, int rotationDegrees = 0) {
    FontDescription d;
    d.height = font.height;
    d.escapement = d.orientation = rotationDegrees * 10;
    d.weight = font.bold ? 700 : 400;
    d.italic = font.italic;
    d.underline = font.underline;
    d.strikeOut = font.strikeOut;
    d.charset = font.charset == DEFAULT_CHARSET_VALUE ? 0 : font.charset;
    d.outPrecision = rotationDegrees == 0 ? 4 : 7;  // OUT_TT_PRECIS : OUT_TT_ONLY_PRECIS
    d.faceName = font.name.substr(0, 31);
    return d;
}

}  // namespace qx
