#include "shell/ui/looks.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace pelquor {

QStringList look_names() {
    return {"Fusion light", "Fusion dark", "Fusion steel", "Classic"};
}

namespace {

QPalette light_palette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(240, 242, 245));
    p.setColor(QPalette::WindowText, QColor(25, 25, 25));
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(233, 237, 242));
    p.setColor(QPalette::Text, QColor(20, 20, 20));
    p.setColor(QPalette::Button, QColor(232, 235, 240));
    p.setColor(QPalette::ButtonText, QColor(20, 20, 20));
    p.setColor(QPalette::Highlight, QColor(38, 110, 190));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    p.setColor(QPalette::ToolTipText, Qt::black);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(110, 115, 125));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(140, 140, 140));
    return p;
}

QPalette dark_palette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 47, 52));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(30, 32, 36));
    p.setColor(QPalette::AlternateBase, QColor(52, 55, 60));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::Button, QColor(58, 61, 67));
    p.setColor(QPalette::ButtonText, QColor(235, 235, 235));
    p.setColor(QPalette::Highlight, QColor(70, 140, 220));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(60, 60, 60));
    p.setColor(QPalette::ToolTipText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(160, 165, 172));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(130, 130, 130));
    return p;
}

QPalette steel_palette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(214, 225, 236));
    p.setColor(QPalette::WindowText, QColor(16, 32, 52));
    p.setColor(QPalette::Base, QColor(250, 252, 255));
    p.setColor(QPalette::AlternateBase, QColor(225, 234, 243));
    p.setColor(QPalette::Text, QColor(16, 32, 52));
    p.setColor(QPalette::Button, QColor(198, 213, 229));
    p.setColor(QPalette::ButtonText, QColor(16, 32, 52));
    p.setColor(QPalette::Highlight, QColor(22, 84, 150));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    p.setColor(QPalette::ToolTipText, Qt::black);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(70, 90, 115));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 130, 140));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 130, 140));
    return p;
}

} // namespace

void apply_look(int index) {
    if (index < 0 || index >= look_names().size())
        index = 0;
    const bool classic = index == 3 && QStyleFactory::keys().contains("Windows");
    QApplication::setStyle(QStyleFactory::create(classic ? "Windows" : "Fusion"));
    switch (index) {
    case 1:
        QApplication::setPalette(dark_palette());
        break;
    case 2:
        QApplication::setPalette(steel_palette());
        break;
    case 3:
        QApplication::setPalette(QApplication::style()->standardPalette());
        break;
    default:
        QApplication::setPalette(light_palette());
    }
}

} // namespace pelquor
