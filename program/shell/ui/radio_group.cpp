#include "shell/ui/radio_group.h"

#include <QBoxLayout>
#include <QRadioButton>

namespace pelquor {

RadioGroup::RadioGroup(const QString& name, const QString& caption, const QStringList& items,
                       QWidget* parent, bool horizontal)
    : QGroupBox(caption, parent) {
    setObjectName(name);
    QBoxLayout* lay = horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout(this))
                                 : static_cast<QBoxLayout*>(new QVBoxLayout(this));
    lay->setContentsMargins(6, 2, 6, 2);
    lay->setSpacing(2);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setObjectName(name + "_item" + QString::number(i));
        group_.addButton(b, i);
        buttons_.push_back(b);
        lay->addWidget(b);
    }
    lay->addStretch();
    connect(&group_, &QButtonGroup::idClicked, this, [this](int id) {
        if (id == index_)
            return;
        index_ = id;
        emit itemClicked(id);
    });
    set_item_index_silent(0);
}

void RadioGroup::set_item_index(int index) {
    if (index == index_ || index < 0 || index >= count())
        return;
    set_item_index_silent(index);
    emit itemClicked(index);
}

void RadioGroup::set_item_index_silent(int index) {
    if (index < 0 || index >= count())
        return;
    index_ = index;
    buttons_[index]->setChecked(true);
}

void RadioGroup::set_item_text(int index, const QString& text) {
    if (index >= 0 && index < count())
        buttons_[index]->setText(text);
}

QString RadioGroup::item_text(int index) const {
    return index >= 0 && index < count() ? buttons_[index]->text() : QString();
}

QRadioButton* RadioGroup::button(int index) const {
    return index >= 0 && index < count() ? buttons_[index] : nullptr;
}

} // namespace pelquor
