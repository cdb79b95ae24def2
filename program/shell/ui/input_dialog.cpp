#include "shell/ui/input_dialog.h"

#include "shell/ui/tags.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pelquor {

bool InputKeyFilter::accepts(const QString& format, const QString& key_text, int key) {
    if (format != "float" && format != "integer")
        return true;
    if (key == Qt::Key_Backspace)
        return true;
    // Moving and confirming are not typing.
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
        key == Qt::Key_Tab || key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home ||
        key == Qt::Key_End || key == Qt::Key_Delete)
        return true;
    if (key_text.size() != 1)
        return false;
    const QChar c = key_text[0];
    if (c >= '0' && c <= '9')
        return true;
    return format == "float" && (c == ',' || c == '.');
}

bool InputKeyFilter::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (!accepts(format, k->text(), k->key()))
            return true;
    }
    return QObject::eventFilter(o, e);
}

TF_input::TF_input(QWidget* parent) : QDialog(parent) {
    setObjectName("F_input");
    setWindowTitle("TrevoPelquor");
    setModal(true);
    auto* v = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    v->addWidget(Label1);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setMinimumWidth(220);
    v->addWidget(Edit1);
    auto* h = new QHBoxLayout;
    h->addStretch();
    ok = new QPushButton("ok", this);
    ok->setObjectName("ok");
    set_tag(ok, 45);
    ok->setDefault(true);
    cancel = new QPushButton("cancel", this);
    cancel->setObjectName("cancel");
    set_tag(cancel, 57);
    h->addWidget(ok);
    h->addWidget(cancel);
    v->addLayout(h);
    filter_ = new InputKeyFilter(this);
    Edit1->installEventFilter(filter_);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Edit1, &QLineEdit::returnPressed, this, &QDialog::accept);
}

void TF_input::prepare(const QString& i_label, const QString& val, const QString& format) {
    Label1->setText(i_label);
    Edit1->setText(val);
    filter_->format = format;
    Edit1->setFocus();
    Edit1->selectAll();
}

bool TF_input::get_input(const QString& i_label, QString& val, const QString& format) {
    prepare(i_label, val, format);
    if (exec() != QDialog::Accepted)
        return false;
    val = Edit1->text();
    return true;
}

TYesNoForm::TYesNoForm(QWidget* parent) : QDialog(parent) {
    setObjectName("YesNoForm");
    setWindowTitle("TrevoPelquor");
    setModal(true);
    auto* v = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    v->addWidget(Label1);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    v->addWidget(Edit1);
    auto* h = new QHBoxLayout;
    h->addStretch();
    yes = new QPushButton("ja", this);
    yes->setObjectName("ja");
    set_tag(yes, 49);
    no = new QPushButton("nein", this);
    no->setObjectName("nein");
    set_tag(no, 50);
    h->addWidget(yes);
    h->addWidget(no);
    v->addLayout(h);
    connect(yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(no, &QPushButton::clicked, this, &QDialog::reject);
    move(80, 80);
}

bool TYesNoForm::ask(const QString& label, bool with_edit, QString& text, const QString& first,
                     const QString& second) {
    const QString old_yes = yes->text(), old_no = no->text();
    if (!first.isEmpty())
        yes->setText(first);
    if (!second.isEmpty())
        no->setText(second);
    Label1->setText(label);
    Edit1->setVisible(with_edit);
    Edit1->setText(text);
    move(80, 80);
    const bool r = exec() == QDialog::Accepted;
    text = Edit1->text();
    yes->setText(old_yes);
    no->setText(old_no);
    return r;
}

} // namespace pelquor
