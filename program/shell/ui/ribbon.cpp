#include "shell/ui/ribbon.h"

#include "shell/ui/tags.h"

#include <QBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>

namespace pelquor {

RibbonGroup::RibbonGroup(const QString& name, const QString& caption, int tag, QWidget* parent)
    : QFrame(parent) {
    setObjectName(name);
    setFrameShape(QFrame::StyledPanel);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 3, 4, 1);
    v->setSpacing(1);
    row_ = new QHBoxLayout;
    row_->setSpacing(2);
    v->addLayout(row_, 1);
    auto* l = new QLabel(caption, this);
    l->setObjectName(name + "_caption");
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    l->setFont(f);
    l->setEnabled(false); // drawn in the muted text colour of the look
    set_tag(l, tag);
    v->addWidget(l);
}

void RibbonGroup::add(QWidget* w) {
    row_->addWidget(w);
}

Ribbon::Ribbon(QWidget* parent) : QFrame(parent) {
    setObjectName("bsRibbon1");
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(2, 2, 2, 0);
    app_button_ = new QToolButton(this);
    app_button_->setObjectName("bsAppMenu1");
    app_button_->setText(QString::fromUtf8("\u2630"));
    app_button_->setPopupMode(QToolButton::InstantPopup);
    app_button_->setMinimumWidth(40);
    menu_ = new QMenu(app_button_);
    app_button_->setMenu(menu_);
    top->addWidget(app_button_);
    tabs_ = new QTabBar(this);
    tabs_->setObjectName("bsRibbon1_tabs");
    tabs_->setDrawBase(false);
    tabs_->setExpanding(false);
    tabs_->setUsesScrollButtons(false);
    // The bar takes the whole row so that tabs shown later always fit.
    top->addWidget(tabs_, 1);
    v->addLayout(top);
    stack_ = new QStackedWidget(this);
    stack_->setObjectName("bsRibbon1_pages");
    v->addWidget(stack_);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int i) {
        if (i < 0)
            return;
        stack_->setCurrentIndex(i);
        emit currentChanged(i);
    });
}

int Ribbon::add_page(QWidget* page, const QString& caption) {
    stack_->addWidget(page);
    return tabs_->addTab(caption);
}

int Ribbon::count() const {
    return tabs_->count();
}
QWidget* Ribbon::page(int index) const {
    return stack_->widget(index);
}
int Ribbon::current_index() const {
    return tabs_->currentIndex();
}

void Ribbon::set_current_index(int index) {
    if (index == tabs_->currentIndex())
        return;
    tabs_->setTabVisible(index, true);
    tabs_->setCurrentIndex(index);
}

void Ribbon::set_tab_text(int index, const QString& text) {
    tabs_->setTabText(index, text);
}
QString Ribbon::tab_text(int index) const {
    return tabs_->tabText(index);
}
void Ribbon::set_tab_visible(int index, bool visible) {
    tabs_->setTabVisible(index, visible);
}
bool Ribbon::is_tab_visible(int index) const {
    return tabs_->isTabVisible(index);
}

QIcon Ribbon::glyph_icon(const QString& glyph, const QColor& c) {
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 12, 12);
    QFont f("DejaVu Sans");
    f.setPixelSize(34);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(4, 2, 56, 58), Qt::AlignCenter, glyph);
    return QIcon(pm);
}

QToolButton* Ribbon::command(const QString& name, const QString& caption, int tag,
                             const QIcon& icon, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(caption);
    b->setIcon(icon);
    b->setIconSize(QSize(32, 32));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setMinimumWidth(64);
    b->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Expanding); // never elide a caption
    set_tag(b, tag);
    return b;
}

} // namespace pelquor
