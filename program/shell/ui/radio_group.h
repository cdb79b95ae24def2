// A captioned group of radio buttons with an item index, like the radio
// groups of the original windows: choosing an item from code acts like the
// user's click whenever the selection actually changes.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>
#include <QVector>

class QRadioButton;

namespace pelquor {

class RadioGroup : public QGroupBox {
    Q_OBJECT
  public:
    explicit RadioGroup(const QString& name, const QString& caption, const QStringList& items,
                        QWidget* parent = nullptr, bool horizontal = false);
    int item_index() const { return index_; }
    // Runs itemClicked when the index changes; the same index does nothing.
    void set_item_index(int index);
    // Sets the index without the click (loading values into the window).
    void set_item_index_silent(int index);
    void set_item_text(int index, const QString& text);
    QString item_text(int index) const;
    int count() const { return static_cast<int>(buttons_.size()); }
    QRadioButton* button(int index) const;

  signals:
    void itemClicked(int index);

  private:
    QButtonGroup group_;
    QVector<QRadioButton*> buttons_;
    int index_ = -1;
};

} // namespace pelquor
