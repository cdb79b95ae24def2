// The start form: choice of language, presence of the radio interface, and
// OK, which runs the rest of the start sequence in the main window.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace pelquor {

class TForm1;

class Tstartbild : public QDialog {
    Q_OBJECT
  public:
    explicit Tstartbild(TForm1& main);
    // sprachfiles and check_radio; the caller shows the form with exec().
    void FormCreate();
    void sprachfiles();
    void check_radio();
    void ComboBox1Change(int index);
    void bsSkinButtonLabel1Click();

    QComboBox* ComboBox1;
    QLabel* IM_ok;
    QLabel* IM_nok;
    QPushButton* ok_button; // bsSkinButtonLabel1
    QPushButton* Button1;

  private:
    TForm1& main_;
};

} // namespace pelquor
