// Horizontal and vertical placement of text in a box.
#pragma once

namespace qx {

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TVerticalAlignment { vaTop, vaVCenter, vaBottom };

}  // namespace qx
