// Language tags of controls. A control's tag is the dynamic property "tag"
// (an int); 0 or no property means the control keeps its built-in caption.
// A picture (QLabel showing an image) is marked with the property
// "picture" = true and takes its text as tool tip instead.
#pragma once

#include "shell/language.h"

#include <QObject>
#include <QString>
#include <QVariant>

class QWidget;

namespace pelquor {

// Marks a language text number kept in data (tables of tags), so that the
// check of the language files finds it.
constexpr int text_no(int n) {
    return n;
}

inline void set_tag(QObject* o, int tag) {
    o->setProperty("tag", tag);
}
inline int tag_of(const QObject* o) {
    return o->property("tag").toInt();
}
inline void mark_picture(QObject* o) {
    o->setProperty("picture", true);
}

inline QString qtext(const LangTexts& t, int n) {
    return QString::fromStdString(t(n));
}

// Captions (hints for pictures) of every tagged control, action and page
// below root, root included. Texts that are empty in the table leave the
// caption alone, so a partial language file never blanks a control.
void apply_language_to(QWidget* root, const LangTexts& texts);

} // namespace pelquor
