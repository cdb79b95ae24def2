#include "shell/ui/tags.h"

#include "shell/ui/ribbon.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QWidget>

namespace pelquor {

namespace {

void apply_one(QObject* o, const LangTexts& texts) {
    const int tag = tag_of(o);
    if (tag == 0)
        return;
    const QString t = qtext(texts, tag);
    if (t.isEmpty())
        return;
    if (o->property("picture").toBool()) {
        if (auto* w = qobject_cast<QWidget*>(o))
            w->setToolTip(t);
        return;
    }
    if (auto* l = qobject_cast<QLabel*>(o))
        l->setText(t);
    else if (auto* b = qobject_cast<QAbstractButton*>(o))
        b->setText(t);
    else if (auto* g = qobject_cast<QGroupBox*>(o))
        g->setTitle(t);
    else if (auto* m = qobject_cast<QMenu*>(o))
        m->setTitle(t);
    else if (auto* a = qobject_cast<QAction*>(o))
        a->setText(t);
    // Edit fields, lists, grids and combo boxes keep their contents.
}

void apply_pages(QObject* o, const LangTexts& texts) {
    if (auto* tw = qobject_cast<QTabWidget*>(o)) {
        for (int i = 0; i < tw->count(); ++i)
            if (int tag = tag_of(tw->widget(i)); tag != 0 && !texts(tag).empty())
                tw->setTabText(i, qtext(texts, tag));
    } else if (auto* r = qobject_cast<Ribbon*>(o)) {
        for (int i = 0; i < r->count(); ++i)
            if (int tag = tag_of(r->page(i)); tag != 0 && !texts(tag).empty())
                r->set_tab_text(i, qtext(texts, tag));
    }
}

} // namespace

void apply_language_to(QWidget* root, const LangTexts& texts) {
    apply_one(root, texts);
    apply_pages(root, texts);
    for (QAction* a : root->actions())
        apply_one(a, texts);
    for (QObject* o : root->findChildren<QObject*>()) {
        apply_one(o, texts);
        apply_pages(o, texts);
        if (auto* w = qobject_cast<QWidget*>(o))
            for (QAction* a : w->actions())
                apply_one(a, texts);
    }
}

} // namespace pelquor
