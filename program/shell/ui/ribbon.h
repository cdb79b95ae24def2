// The ribbon: an application menu button, a row of page tabs and, below
// them, the command page of the selected tab.
#pragma once

#include <QColor>
#include <QFrame>
#include <QIcon>
#include <QString>

class QMenu;
class QStackedWidget;
class QTabBar;
class QToolButton;
class QHBoxLayout;

namespace pelquor {

// A captioned block of commands on a ribbon page.
class RibbonGroup : public QFrame {
    Q_OBJECT
  public:
    RibbonGroup(const QString& name, const QString& caption, int tag, QWidget* parent = nullptr);
    void add(QWidget* w);
    QHBoxLayout* row() const { return row_; }

  private:
    QHBoxLayout* row_;
};

class Ribbon : public QFrame {
    Q_OBJECT
  public:
    explicit Ribbon(QWidget* parent = nullptr);

    // Adds a page; its tab caption comes from the page's tag (or caption).
    int add_page(QWidget* page, const QString& caption);
    int count() const;
    QWidget* page(int index) const;
    int current_index() const;
    void set_current_index(int index);
    void set_tab_text(int index, const QString& text);
    QString tab_text(int index) const;
    void set_tab_visible(int index, bool visible);
    bool is_tab_visible(int index) const;
    QMenu* app_menu() const { return menu_; }
    QToolButton* app_button() const { return app_button_; }

    // A command icon: a white symbol on a rounded square of colour c.
    static QIcon glyph_icon(const QString& glyph, const QColor& c);
    static QToolButton* command(const QString& name, const QString& caption, int tag,
                                const QIcon& icon, QWidget* parent = nullptr);

  signals:
    void currentChanged(int index);

  private:
    QToolButton* app_button_;
    QMenu* menu_;
    QTabBar* tabs_;
    QStackedWidget* stack_;
};

} // namespace pelquor
