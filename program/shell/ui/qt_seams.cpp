#include "shell/ui/qt_seams.h"

#include <QDateTime>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <chrono>

namespace pelquor {

QString qt_file_filter(const QString& filter) {
    const QStringList parts = filter.split('|');
    if (parts.size() < 2)
        return filter;
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i].trimmed();
        QString mask = QString(parts[i + 1]).replace(';', ' ');
        out << (desc.contains('(') ? desc : desc + " (" + mask + ")");
    }
    return out.join(";;");
}

int QtDialogs::ask(const QString& text, bool error, const QStringList& captions) {
    QMessageBox box(parent_);
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(error ? QMessageBox::Critical : QMessageBox::NoIcon);
    QList<QPushButton*> bs;
    for (int i = 0; i < captions.size(); ++i)
        bs << box.addButton(captions[i],
                            i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
    box.setDefaultButton(bs.front());
    box.exec();
    // Closing the box any other way counts as the last button.
    for (int i = 0; i < bs.size(); ++i)
        if (box.clickedButton() == bs[i])
            return i;
    return static_cast<int>(bs.size()) - 1;
}

void QtDialogs::message(const std::string& text) {
    ask(QString::fromStdString(text), false, {buttons.ok});
}

void QtDialogs::error(const std::string& text) {
    ask(QString::fromStdString(text), true, {buttons.ok});
}

bool QtDialogs::question(const std::string& text) {
    return ask(QString::fromStdString(text), false, {buttons.yes, buttons.no}) == 0;
}

bool QtDialogs::confirm(const std::string& text) {
    return ask(QString::fromStdString(text), false, {buttons.ok, buttons.cancel}) == 0;
}

bool QtDialogs::two_buttons(const std::string& text, const std::string& first,
                            const std::string& second) {
    return ask(QString::fromStdString(text), false,
               {QString::fromStdString(first), QString::fromStdString(second)}) == 0;
}

std::optional<std::string> QtDialogs::input(const std::string& caption, const std::string& prompt,
                                            const std::string& initial) {
    QInputDialog d(parent_);
    d.setWindowTitle(QString::fromStdString(caption));
    d.setLabelText(QString::fromStdString(prompt));
    d.setTextValue(QString::fromStdString(initial));
    d.setOkButtonText(buttons.ok);
    d.setCancelButtonText(buttons.cancel);
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    return d.textValue().toStdString();
}

std::optional<std::string> QtDialogs::open_file(const std::string& caption,
                                                const std::string& folder,
                                                const std::string& filter) {
    QString f = QFileDialog::getOpenFileName(parent_, QString::fromStdString(caption),
                                             QString::fromStdString(folder),
                                             qt_file_filter(QString::fromStdString(filter)));
    if (f.isEmpty())
        return std::nullopt;
    return f.toStdString();
}

uint32_t QtClock::local_now() const {
    QDateTime now = QDateTime::currentDateTime();
    return static_cast<uint32_t>(now.toSecsSinceEpoch() + now.offsetFromUtc());
}

uint64_t QtClock::tick_ms() const {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

} // namespace pelquor
