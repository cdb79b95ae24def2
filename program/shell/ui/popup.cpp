#include "shell/ui/popup.h"

#include "shell/ui/tags.h"

#include <QApplication>
#include <QBoxLayout>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QThread>

namespace pelquor {

void wait_ms(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        if (t.elapsed() < ms)
            QThread::msleep(std::min<qint64>(5, ms - t.elapsed()));
    }
}

TPopUp::TPopUp(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("PopUp");
    setWindowTitle("TrevoPelquor");
    setAutoFillBackground(true);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(14, 10, 14, 10);
    label_ = new QLabel(this);
    label_->setObjectName("EG_label");
    label_->setWordWrap(true);
    label_->setMinimumWidth(360);
    set_tag(label_, 99);
    QFont f = label_->font();
    f.setPointSizeF(f.pointSizeF() * 1.15);
    label_->setFont(f);
    v->addWidget(label_);
    gauge_ = new QProgressBar(this);
    gauge_->setObjectName("G_progress");
    gauge_->setRange(0, 100);
    gauge_->setValue(0);
    v->addWidget(gauge_);
    move(400, 10);
}

void TPopUp::show_easy_guide(int pos, const std::string& text) {
    label_->setText(QString::fromStdString(text));
    if (pos == 0) {
        gauge_->hide();
    } else {
        if (pos <= 100)
            gauge_->setValue(std::max(pos, 0));
        gauge_->show();
    }
    adjustSize();
    move(400, 10);
    show();
    raise();
    QApplication::processEvents();
}

void TPopUp::inc_easy_guide(int inc) {
    gauge_->setValue(std::clamp(gauge_->value() + inc, 0, 100));
    show();
    QApplication::processEvents();
}

void TPopUp::hide_easy_guide() {
    hide();
    QApplication::processEvents();
}

void TPopUp::wait_ms(int ms) {
    pelquor::wait_ms(ms);
}

void TPopUp::mousePressEvent(QMouseEvent*) {
    hide();
}

} // namespace pelquor
