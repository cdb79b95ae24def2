// The progress pop-up ("easy guide"): a borderless window with a text and a
// gauge that long operations update while they run on the window thread.
#pragma once

#include "shell/seams.h"

#include <QWidget>

class QLabel;
class QProgressBar;

namespace pelquor {

class TPopUp : public QWidget, public Progress {
    Q_OBJECT
  public:
    explicit TPopUp(QWidget* parent = nullptr);

    void show_easy_guide(int pos, const std::string& text) override;
    void inc_easy_guide(int inc) override;
    void hide_easy_guide() override;
    void wait_ms(int ms) override;

    QLabel* label() const { return label_; }
    QProgressBar* gauge() const { return gauge_; }

  protected:
    void mousePressEvent(QMouseEvent* e) override;

  private:
    QLabel* label_;
    QProgressBar* gauge_;
};

// Lets pending window events run until ms milliseconds have passed.
void wait_ms(int ms);

} // namespace pelquor
