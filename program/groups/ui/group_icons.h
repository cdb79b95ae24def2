// Pictures of the group page, drawn once: the tree's node pictures 0..2, the
// position button's pictures 6 and 7 and the blinking radio picture.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace pelquor {

// 0 plain folder, 1 group, 2 night-recording group.
QIcon tree_icon(int image_index, int selected_index);
QPixmap tree_picture(int image_index);
// Picture 7 with a position, picture 6 without.
QIcon position_icon(bool has_position);
QPixmap radio_picture();

} // namespace pelquor
