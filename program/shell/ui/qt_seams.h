// Qt implementations of the dialog and clock seams.
#pragma once

#include "shell/seams.h"

#include <QString>

class QWidget;

namespace pelquor {

// Captions of the standard dialog buttons (language texts 49, 50, 45, 57).
struct DialogButtonTexts {
    QString yes = "Yes";
    QString no = "No";
    QString ok = "OK";
    QString cancel = "Cancel";
};

// "desc|mask|desc|mask" (the program's filter notation) to Qt's "desc (mask);;...".
QString qt_file_filter(const QString& filter);

class QtDialogs : public Dialogs {
  public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    DialogButtonTexts buttons;
    QString title = "TrevoPelquor";

    void message(const std::string& text) override;
    void error(const std::string& text) override;
    bool question(const std::string& text) override;
    bool confirm(const std::string& text) override;
    bool two_buttons(const std::string& text, const std::string& first,
                     const std::string& second) override;
    std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                     const std::string& initial) override;
    std::optional<std::string> open_file(const std::string& caption, const std::string& folder,
                                         const std::string& filter) override;

  private:
    QWidget* parent_;
    int ask(const QString& text, bool error, const QStringList& captions);
};

// Local time from Qt: seconds since 1970 of the local clock.
class QtClock : public Clock {
  public:
    uint32_t local_now() const override;
    uint64_t tick_ms() const override;
};

} // namespace pelquor
