// Small modal dialogs: the numeric input dialog and the yes/no form.
#pragma once

#include <QDialog>
#include <QObject>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pelquor {

// Refuses keys the format does not allow: "float" digits, backspace, ","
// and "."; "integer" digits and backspace; anything else lets all keys pass.
class InputKeyFilter : public QObject {
    Q_OBJECT
  public:
    explicit InputKeyFilter(QObject* parent = nullptr) : QObject(parent) {}
    QString format;
    static bool accepts(const QString& format, const QString& key_text, int key);

  protected:
    bool eventFilter(QObject* o, QEvent* e) override;
};

class TF_input : public QDialog {
    Q_OBJECT
  public:
    explicit TF_input(QWidget* parent = nullptr);
    // Prepares label, field and filter; exec() then shows it.
    void prepare(const QString& i_label, const QString& val, const QString& format);
    // True and the text in val when "ok" ended the dialog.
    bool get_input(const QString& i_label, QString& val, const QString& format);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* ok;
    QPushButton* cancel;

  private:
    InputKeyFilter* filter_;
};

// A label, an optional edit field and two buttons ("ja"/"nein" by default).
class TYesNoForm : public QDialog {
    Q_OBJECT
  public:
    explicit TYesNoForm(QWidget* parent = nullptr);
    // Shows the form; true when the first button ended it. text is the field.
    bool ask(const QString& label, bool with_edit, QString& text, const QString& first = {},
             const QString& second = {});

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* yes;
    QPushButton* no;
};

} // namespace pelquor
