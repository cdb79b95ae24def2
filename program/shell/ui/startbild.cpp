#include "shell/ui/startbild.h"

#include "shell/files.h"
#include "shell/ui/main_window.h"
#include "shell/ui/tags.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace pelquor {

namespace {

// A round lamp: green for a present interface, red for a missing one.
QPixmap lamp(const QColor& c) {
    QPixmap p(28, 28);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(c.darker(160), 2));
    g.setBrush(c);
    g.drawEllipse(3, 3, 22, 22);
    return p;
}

} // namespace

Tstartbild::Tstartbild(TForm1& main) : QDialog(&main), main_(main) {
    setObjectName("startbild");
    setWindowTitle("TrevoPelquor");
    setModal(true);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(24, 20, 24, 20);
    v->setSpacing(12);
    auto* title = new QLabel("TrevoPelquor, V 1.54", this);
    title->setObjectName("Label1");
    QFont f = title->font();
    f.setPointSizeF(f.pointSizeF() * 2.2);
    f.setBold(true);
    title->setFont(f);
    v->addWidget(title);
    auto* sub = new QLabel(this);
    sub->setObjectName("Label2");
    set_tag(sub, 455);
    sub->setWordWrap(true);
    v->addWidget(sub);

    auto* row = new QHBoxLayout;
    auto* lang = new QLabel("language", this);
    lang->setObjectName("Label3");
    set_tag(lang, 456);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setMinimumWidth(200);
    row->addWidget(lang);
    row->addWidget(ComboBox1, 1);
    v->addLayout(row);

    auto* radio = new QHBoxLayout;
    auto* rl = new QLabel("radio", this);
    rl->setObjectName("Label4");
    set_tag(rl, 457);
    IM_ok = new QLabel(this);
    IM_ok->setObjectName("IM_ok");
    IM_ok->setPixmap(lamp(QColor(40, 170, 60)));
    mark_picture(IM_ok);
    set_tag(IM_ok, 458);
    IM_nok = new QLabel(this);
    IM_nok->setObjectName("IM_nok");
    IM_nok->setPixmap(lamp(QColor(210, 40, 40)));
    mark_picture(IM_nok);
    set_tag(IM_nok, 247);
    IM_nok->hide();
    radio->addWidget(rl);
    radio->addStretch();
    radio->addWidget(IM_ok);
    radio->addWidget(IM_nok);
    v->addLayout(radio);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    ok_button = new QPushButton("OK", this);
    ok_button->setObjectName("bsSkinButtonLabel1");
    set_tag(ok_button, 45);
    ok_button->setDefault(true);
    ok_button->setMinimumWidth(110);
    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->hide(); // bound to the same handler; kept for the Enter key of old layouts
    buttons->addWidget(ok_button);
    buttons->addWidget(Button1);
    v->addLayout(buttons);

    connect(ok_button, &QPushButton::clicked, this, &Tstartbild::bsSkinButtonLabel1Click);
    connect(Button1, &QPushButton::clicked, this, &Tstartbild::bsSkinButtonLabel1Click);
    main_.register_window(this);
    setMinimumWidth(460);
    move(30, 30);
}

void Tstartbild::FormCreate() {
    move(30, 30);
    sprachfiles();
    check_radio();
    apply_language_to(this, main_.state().texts);
}

void Tstartbild::sprachfiles() {
    const std::string& language = main_.state().settings.language;
    ComboBox1->blockSignals(true);
    ComboBox1->clear();
    ComboBox1->addItem(QString::fromStdString(language));
    ComboBox1->setCurrentIndex(0);
    for (const std::string& name : list_by_mask(main_.state().folders.config, "*.csv")) {
        if (name == language + ".csv")
            continue;
        auto dot = name.find('.');
        ComboBox1->addItem(QString::fromStdString(
            dot == std::string::npos
                ? name
                : name.substr(0, dot) + name.substr(std::min(dot + 4, name.size()))));
    }
    ComboBox1->blockSignals(false);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &Tstartbild::ComboBox1Change,
            Qt::UniqueConnection);
}

void Tstartbild::check_radio() {
    auto& present = main_.hooks().radio_present;
    bool found = present && present();
    if (!found) {
        main_.dialogs().message(main_.state().texts(247));
        found = present && present();
    }
    IM_ok->setVisible(found);
    IM_nok->setVisible(!found);
}

void Tstartbild::ComboBox1Change(int index) {
    if (index < 0)
        return;
    main_.state().settings.language = ComboBox1->itemText(index).toStdString();
    main_.load_language(); // the texts apply when the form is confirmed
}

void Tstartbild::bsSkinButtonLabel1Click() {
    accept();
    main_.start_form_ok();
}

} // namespace pelquor
