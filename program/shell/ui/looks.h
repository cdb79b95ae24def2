// The window looks chosen by skin_index: Qt styles with our own palettes.
#pragma once

#include <QStringList>

namespace pelquor {

QStringList look_names();
// Applies look index to the application; an index outside the list gives look 0.
void apply_look(int index);

} // namespace pelquor
