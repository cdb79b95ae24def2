#include "shell/ui/main_window.h"

#include "shell/files.h"
#include "shell/ini_file.h"
#include "shell/ui/input_dialog.h"
#include "shell/ui/looks.h"
#include "shell/ui/popup.h"
#include "shell/ui/radio_group.h"
#include "shell/ui/ribbon.h"
#include "shell/ui/tags.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

namespace pelquor {

namespace {

QColor to_qcolor(Tcolor c) {
    return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
}

QLabel* tagged_label(const QString& name, const QString& caption, int tag, QWidget* parent) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    set_tag(l, tag);
    return l;
}

QPushButton* tagged_button(const QString& name, const QString& caption, int tag, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    set_tag(b, tag);
    return b;
}

// Commands that need the radio interface.
bool is_radio_command(const QString& c) {
    static const QStringList radio = {"bsSkinButtonLabel68",
                                      "bsSkinButtonLabel69",
                                      "bsSkinButtonLabel46",
                                      "bsSkinButtonLabel43",
                                      "Button4",
                                      "Button5",
                                      "bsSkinSpeedButton1"};
    return radio.contains(c);
}

} // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent), qt_dialogs_(std::make_unique<QtDialogs>(this)),
      dialogs_(qt_dialogs_.get()), qt_clock_(std::make_unique<QtClock>()),
      time_source_(qt_clock_.get()) {
    setObjectName("Form1");
    setWindowTitle("TrevoPelquor, 1.54");
    resize(1280, 800);

    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    ribbon_ = new Ribbon(central);
    ribbon_->add_page(build_main_tab(), "Pelquor");
    ribbon_->add_page(build_map_tab(), "map");
    ribbon_->add_page(build_options_tab(), "options");
    ribbon_->add_page(build_analysis_tab(), "analysis");
    ribbon_->setFixedHeight(136);
    v->addWidget(ribbon_);

    QMenu* m = ribbon_->app_menu();
    auto add_menu = [&](const QString& name, const QString& caption, int tag, auto fn) {
        QAction* a = m->addAction(caption);
        a->setObjectName(name);
        set_tag(a, tag);
        connect(a, &QAction::triggered, this, fn);
    };
    add_menu("print1", "print", 460, [this] {
        if (current_work_page() == page_correlation && hooks_.print_corr)
            hooks_.print_corr();
        else if (current_work_page() == page_map && hooks_.print_map)
            hooks_.print_map();
        else
            print_window();
    });
    add_menu("help1", "?", 461, [this] { show_help(); });
    add_menu("shutofftimer1", "shutofftimer", 462, [this] { shutoff_counter(); });
    m->addSeparator();
    add_menu("quit1", "quit", 463, [this] { close(); });

    page_control_ = new QTabWidget(central);
    page_control_->setObjectName("bsSkinPageControl1");
    const char* sheet_names[] = {"bsSkinTabSheet1", "bsSkinTabSheet2", "bsSkinTabSheet4",
                                 "bsSkinTabSheet5", "bsSkinTabSheet6"};
    for (int i = 0; i < 5; ++i) {
        auto* sheet = new QWidget;
        sheet->setObjectName(sheet_names[i]);
        auto* lay = new QVBoxLayout(sheet);
        lay->setContentsMargins(4, 4, 4, 4);
        QWidget* content = i == page_options ? build_options_page() : placeholder(i);
        placeholders_[i] = i == page_options ? nullptr : content;
        lay->addWidget(content);
        page_control_->addTab(sheet, sheet_names[i]);
    }
    page_control_->tabBar()->hide();
    page_control_->setDocumentMode(true);
    v->addWidget(page_control_, 1);

    status_line_ = new QLabel(central);
    status_line_->setObjectName("StaticText1");
    status_line_->setContentsMargins(8, 2, 8, 2);
    status_line_->setAutoFillBackground(true);
    status_line_->hide();
    v->addWidget(status_line_);
    setCentralWidget(central);

    connect(ribbon_, &Ribbon::currentChanged, this, &TForm1::bsRibbon1ChangePage);
    ribbon_->set_tab_visible(tab_analysis, false);

    popup_ = new TPopUp(this);
    input_ = new TF_input(this);
    yes_no_ = new TYesNoForm(this);
    register_window(this);
    register_window(popup_);
    register_window(input_);
    register_window(yes_no_);

    timer3_ = new QTimer(this);
    timer3_->setObjectName("Timer3");
    timer3_->setInterval(3000);
    connect(timer3_, &QTimer::timeout, this, &TForm1::Timer3Timer);
    timer3_->start();
    clock_ = new QTimer(this);
    clock_->setObjectName("clock");
    clock_->setInterval(1000);
    connect(clock_, &QTimer::timeout, this, &TForm1::clockTimer);
    sec_timer_ = new QTimer(this);
    sec_timer_->setObjectName("sec_timer");
    sec_timer_->setInterval(1000);
    connect(sec_timer_, &QTimer::timeout, this, &TForm1::sec_timerTimer);

    page_control_->setCurrentIndex(page_group);
    previous_page_ = page_group;

    // What already exists is wired; the rest of the hooks are set by the
    // pages that own those operations.
    hooks_.set_units = [this] {
        try {
            pelquor::set_units(state_.units, state_.mat_table, state_.settings.m_unit,
                               state_.folders.config, state_.settings.language, state_.texts);
        } catch (const ConversionError& e) {
            dialogs().error(e.message);
        }
    };
    hooks_.load_materials = hooks_.set_units;
    hooks_.radio_present = [this] {
        RadioContext ctx{state_.radio,
                         state_.group,
                         state_.texts,
                         dialogs(),
                         progress(),
                         clock(),
                         state_.settings.data_dir,
                         {}};
        return check_radio_interface(ctx) == 0;
    };

    auto* dev = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F2), this);
    connect(dev, &QShortcut::activated, this, &TForm1::show_dev_functions);
}

TForm1::~TForm1() {
    // The children outlive the members: nothing may call back into them.
    for (QLabel* l : count_time_)
        l->removeEventFilter(this);
    disconnect(ribbon_, nullptr, this, nullptr);
}

void TForm1::set_dialogs(Dialogs* d) {
    dialogs_ = d ? d : qt_dialogs_.get();
}
void TForm1::set_clock(const Clock* c) {
    time_source_ = c ? c : qt_clock_.get();
}
Progress& TForm1::progress() {
    return progress_override_ ? *progress_override_ : *static_cast<Progress*>(popup_);
}

// ---------------------------------------------------------------- ribbon pages

QFrame* TForm1::build_countdown_panel(int n) {
    const QString sfx = n == 1 ? QString() : QString::number(n);
    auto* p = new QFrame;
    p->setObjectName("panel_countdown" + sfx);
    p->setFrameShape(QFrame::StyledPanel);
    auto* v = new QVBoxLayout(p);
    v->setContentsMargins(8, 4, 8, 4);
    auto* phase = new QLabel(p);
    phase->setObjectName("label_shutoff" + sfx);
    phase->setAlignment(Qt::AlignCenter);
    phase->setMinimumWidth(150);
    auto* time = new QLabel("00:00", p);
    time->setObjectName("SL_count_down" + sfx);
    time->setAlignment(Qt::AlignCenter);
    QFont f = time->font();
    f.setPointSizeF(f.pointSizeF() * 1.8);
    f.setBold(true);
    time->setFont(f);
    time->setCursor(Qt::PointingHandCursor);
    time->installEventFilter(this);
    v->addWidget(phase);
    v->addWidget(time);
    p->hide();
    count_panels_[n - 1] = p;
    count_phase_[n - 1] = phase;
    count_time_[n - 1] = time;
    return p;
}

QToolButton* TForm1::add_command(RibbonGroup* g, const char* name, const char* caption, int tag,
                                 const QIcon& icon, void (TForm1::*fn)()) {
    auto* b = Ribbon::command(name, caption, tag, icon, g);
    connect(b, &QToolButton::clicked, this, fn);
    g->add(b);
    return b;
}

QWidget* TForm1::build_main_tab() {
    auto* page = new QWidget;
    page->setObjectName("bsRibbonPage6");
    set_tag(page, 465);
    auto* h = new QHBoxLayout(page);
    h->setContentsMargins(4, 2, 4, 2);
    auto cmd = [this](RibbonGroup* g, const char* name, const char* caption, int tag,
                      const QIcon& icon, void (TForm1::*fn)()) {
        return add_command(g, name, caption, tag, icon, fn);
    };
    auto* g1 = new RibbonGroup("RG_loggers", "Loggers", 485, page);
    cmd(g1, "bsSkinButtonLabel70", "folder", 210,
        Ribbon::glyph_icon(QString::fromUtf8("\u25A4"), QColor(205, 120, 30)),
        &TForm1::bsSkinButtonLabel70Click);
    cmd(g1, "bsSkinButtonLabel69", "program", 211,
        Ribbon::glyph_icon(QString::fromUtf8("\u21E7"), QColor(38, 110, 190)),
        &TForm1::bsSkinButtonLabel69Click);
    cmd(g1, "bsSkinButtonLabel68", "read", 212,
        Ribbon::glyph_icon(QString::fromUtf8("\u21E9"), QColor(38, 110, 190)),
        &TForm1::bsSkinButtonLabel68Click);
    cmd(g1, "bsSkinButtonLabel43", "reset", 214,
        Ribbon::glyph_icon(QString::fromUtf8("\u21BB"), QColor(190, 50, 50)),
        &TForm1::bsSkinButtonLabel43Click);
    cmd(g1, "bsSkinButtonLabel46", "pinpoint", 228,
        Ribbon::glyph_icon(QString::fromUtf8("\u25CE"), QColor(20, 130, 140)),
        &TForm1::bsSkinButtonLabel46Click);
    cb_10audio_ = new QCheckBox("Read all 10 audioblocks", g1);
    cb_10audio_->setObjectName("CB_10audio");
    set_tag(cb_10audio_, 483);
    cb_10audio_->hide();
    g1->add(cb_10audio_);
    h->addWidget(g1);

    auto* g2 = new RibbonGroup("RG_correlation", "Correlation", 486, page);
    cmd(g2, "bsSkinButtonLabel67", "correlate", 226,
        Ribbon::glyph_icon(QString::fromUtf8("\u223F"), QColor(46, 140, 70)),
        &TForm1::bsSkinButtonLabel67Click);
    cmd(g2, "bsSkinButtonLabel54", "correlate", 69,
        Ribbon::glyph_icon(QString::fromUtf8("\u2605"), QColor(46, 140, 70)),
        &TForm1::bsSkinButtonLabel54Click);
    rg_click_ = new RadioGroup("bsSkinRadioGroup2", "Click in correlation window opens",
                               {"hauptfenster", "einzel"}, g2);
    set_tag(rg_click_, 110);
    g2->add(rg_click_);
    rg_method_ = new RadioGroup("bsSkinRadioGroup3", "MBC / ABC", {"MBC", "ABC"}, g2);
    set_tag(rg_method_, 111);
    rg_method_->set_item_index_silent(1);
    connect(rg_method_, &RadioGroup::itemClicked, this, &TForm1::bsSkinRadioGroup3Click);
    g2->add(rg_method_);
    h->addWidget(g2);

    auto* g3 = new RibbonGroup("RG_clock", "Clock", 488, page);
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    grid->setHorizontalSpacing(8);
    sl_time_ = new QLabel("--:--:--", g3);
    sl_time_->setObjectName("SL_time");
    QFont big = sl_time_->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    sl_time_->setFont(big);
    act_time_ = tagged_label("bsSkinStdLabel30", "act time", 484, g3);
    sl_at_ = new QLabel(g3);
    sl_at_->setObjectName("SL_at");
    sl_in_ = new QLabel(g3);
    sl_in_->setObjectName("SL_in");
    delta_plus_ = new QToolButton(g3);
    delta_plus_->setObjectName("bsSkinButtonLabel38");
    delta_plus_->setText("+");
    delta_minus_ = new QToolButton(g3);
    delta_minus_->setObjectName("bsSkinButtonLabel42");
    delta_minus_->setText(QString::fromUtf8("\u2212"));
    connect(delta_plus_, &QToolButton::clicked, this, &TForm1::meas_delta_plus);
    connect(delta_minus_, &QToolButton::clicked, this, &TForm1::meas_delta_minus);
    grid->addWidget(sl_time_, 0, 0, 1, 3);
    grid->addWidget(act_time_, 1, 0);
    grid->addWidget(sl_at_, 1, 1, 1, 2);
    grid->addWidget(delta_minus_, 2, 0);
    grid->addWidget(sl_in_, 2, 1);
    grid->addWidget(delta_plus_, 2, 2);
    g3->row()->addLayout(grid);
    for (QWidget* w : {static_cast<QWidget*>(act_time_), static_cast<QWidget*>(sl_in_),
                       static_cast<QWidget*>(delta_plus_), static_cast<QWidget*>(delta_minus_)})
        w->hide();
    g3->hide(); // shown while the clock runs
    h->addWidget(g3);
    h->addWidget(build_countdown_panel(1));
    h->addStretch();
    return page;
}

QWidget* TForm1::build_map_tab() {
    auto* page = new QWidget;
    page->setObjectName("bsRibbonPage4");
    set_tag(page, 466);
    auto* h = new QHBoxLayout(page);
    h->setContentsMargins(4, 2, 4, 2);
    auto cmd = [this](RibbonGroup* g, const char* name, const char* caption, int tag,
                      const QIcon& icon, void (TForm1::*fn)()) {
        return add_command(g, name, caption, tag, icon, fn);
    };
    auto* g1 = new RibbonGroup("RG_mapfile", "Map", 490, page);
    cmd(g1, "bsSkinButtonLabel26", "open", 2,
        Ribbon::glyph_icon(QString::fromUtf8("\u25A7"), QColor(205, 120, 30)),
        &TForm1::bsSkinButtonLabel26Click);
    cmd(g1, "bsSkinButtonLabel22", "open", 316,
        Ribbon::glyph_icon(QString::fromUtf8("\u2715"), QColor(90, 100, 115)),
        &TForm1::bsSkinButtonLabel22Click);
    h->addWidget(g1);
    auto* g2 = new RibbonGroup("RG_pipes", "Pipes", 491, page);
    cmd(g2, "bsSkinButtonLabel76", "neues rohr", 257,
        Ribbon::glyph_icon(QString::fromUtf8("\u271A"), QColor(38, 110, 190)),
        &TForm1::bsSkinButtonLabel76Click);
    cmd(g2, "bsSkinButtonLabel23", "löschen", 202,
        Ribbon::glyph_icon(QString::fromUtf8("\u2716"), QColor(190, 50, 50)),
        &TForm1::bsSkinButtonLabel23Click);
    cb_lines_ = new QCheckBox("pipelines", g2);
    cb_lines_->setObjectName("CB_lines");
    set_tag(cb_lines_, 482);
    cb_lines_->setChecked(true);
    connect(cb_lines_, &QCheckBox::toggled, this, [this](bool on) {
        state_.settings.drawpipelines = on;
        if (hooks_.map_init && current_work_page() == page_map)
            hooks_.map_init();
    });
    g2->add(cb_lines_);
    h->addWidget(g2);
    auto* g3 = new RibbonGroup("RG_positions", "Positions", 492, page);
    cmd(g3, "bsSkinButtonLabel25", "GPS", 0,
        Ribbon::glyph_icon(QString::fromUtf8("\u25C9"), QColor(20, 130, 140)),
        &TForm1::bsSkinButtonLabel25Click);
    cmd(g3, "bsSkinButtonLabel4", "GPS", 447,
        Ribbon::glyph_icon(QString::fromUtf8("\u21C4"), QColor(20, 130, 140)),
        &TForm1::bsSkinButtonLabel4Click);
    auto* live = cmd(g3, "bsSkinButtonLabel34", "live", 431,
                     Ribbon::glyph_icon(QString::fromUtf8("\u27A4"), QColor(20, 130, 140)),
                     &TForm1::bsSkinButtonLabel34Click);
    live->setCheckable(true);
    h->addWidget(g3);
    auto* g4 = new RibbonGroup("RG_mapanalysis", "Analysis", 493, page);
    cmd(g4, "bsSkinButtonLabel13", "v-assi", 407,
        Ribbon::glyph_icon(QString::fromUtf8("v"), QColor(120, 70, 160)),
        &TForm1::bsSkinButtonLabel13Click);
    cmd(g4, "bsSkinButtonLabel27", "multi_sec_corr", 421,
        Ribbon::glyph_icon(QString::fromUtf8("\u21CB"), QColor(120, 70, 160)),
        &TForm1::bsSkinButtonLabel27Click);
    cmd(g4, "bsSkinButtonLabel5", "Highlight", 430,
        Ribbon::glyph_icon(QString::fromUtf8("\u2739"), QColor(120, 70, 160)),
        &TForm1::bsSkinButtonLabel5Click);
    h->addWidget(g4);
    h->addWidget(build_countdown_panel(2));
    h->addStretch();
    return page;
}

QWidget* TForm1::build_options_tab() {
    auto* page = new QWidget;
    page->setObjectName("bsRibbonPage5");
    set_tag(page, 467);
    auto* h = new QHBoxLayout(page);
    h->setContentsMargins(4, 2, 4, 2);
    auto* g = new RibbonGroup("RG_help", "Help", 494, page);
    auto* help =
        Ribbon::command("BL_help", "?", 461, Ribbon::glyph_icon("?", QColor(38, 110, 190)), g);
    connect(help, &QToolButton::clicked, this, &TForm1::show_help);
    g->add(help);
    auto* off =
        Ribbon::command("BL_shutoff", "shutofftimer", 462,
                        Ribbon::glyph_icon(QString::fromUtf8("\u25F7"), QColor(190, 50, 50)), g);
    connect(off, &QToolButton::clicked, this, &TForm1::shutoff_counter);
    g->add(off);
    h->addWidget(g);
    h->addWidget(build_countdown_panel(3));
    h->addStretch();
    return page;
}

QWidget* TForm1::build_analysis_tab() {
    auto* page = new QWidget;
    page->setObjectName("bsRibbonPage1");
    set_tag(page, 468);
    auto* h = new QHBoxLayout(page);
    h->setContentsMargins(4, 2, 4, 2);
    auto* g = new RibbonGroup("RG_pair", "Correlation", 486, page);
    auto cmd = [&](const char* name, const char* caption, int tag, const QIcon& icon,
                   void (TForm1::*fn)()) {
        auto* b = Ribbon::command(name, caption, tag, icon, g);
        connect(b, &QToolButton::clicked, this, fn);
        g->add(b);
        return b;
    };
    cmd("bsSkinButtonLabel8", "Filter analysis", 85,
        Ribbon::glyph_icon(QString::fromUtf8("\u2261"), QColor(46, 140, 70)),
        &TForm1::bsSkinButtonLabel8Click);
    cmd("bsSkinButtonLabel10", "V-Messung", 51,
        Ribbon::glyph_icon(QString::fromUtf8("v"), QColor(120, 70, 160)),
        &TForm1::bsSkinButtonLabel10Click);
    cmd("bsSkinButtonLabel9", "Zoom", 0,
        Ribbon::glyph_icon(QString::fromUtf8("\u2295"), QColor(90, 100, 115)),
        &TForm1::bsSkinButtonLabel9Click);
    cmd("bsSkinButtonLabel12", "Zoom", 0,
        Ribbon::glyph_icon(QString::fromUtf8("\u229E"), QColor(90, 100, 115)),
        &TForm1::bsSkinButtonLabel12Click);
    cmd("bsSkinButtonLabel21", "rohrtabelle", 42,
        Ribbon::glyph_icon(QString::fromUtf8("\u25A6"), QColor(205, 120, 30)),
        &TForm1::bsSkinButtonLabel21Click);
    h->addWidget(g);
    h->addStretch();
    return page;
}

QWidget* TForm1::placeholder(int index) {
    static constexpr int texts[] = {text_no(495), text_no(496), text_no(497), 0, text_no(498)};
    auto* w = new QFrame;
    w->setFrameShape(QFrame::StyledPanel);
    auto* v = new QVBoxLayout(w);
    auto* l = new QLabel(w);
    l->setObjectName(QString("placeholder%1").arg(index));
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(true);
    l->setEnabled(false);
    set_tag(l, texts[index]);
    v->addWidget(l);
    return w;
}

// ---------------------------------------------------------------- options page

QWidget* TForm1::build_options_page() {
    auto* w = new QWidget;
    w->setObjectName("options_page");
    auto* grid = new QGridLayout(w);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);

    auto* user = new QGroupBox("user", w);
    user->setObjectName("GB_user");
    set_tag(user, 470);
    auto* ug = new QGridLayout(user);
    ug->addWidget(tagged_label("L_label", "label", 471, user), 0, 0);
    label_edit_ = new QLineEdit(user);
    label_edit_->setObjectName("bsSkinEdit2");
    connect(label_edit_, &QLineEdit::textEdited, this,
            [this](const QString& t) { state_.settings.label = t.toStdString(); });
    ug->addWidget(label_edit_, 0, 1, 1, 2);
    ug->addWidget(tagged_label("L_logo", "logo", 472, user), 1, 0, Qt::AlignTop);
    logo_list_ = new QListWidget(user);
    logo_list_->setObjectName("bsSkinFileListBox1");
    logo_list_->setFixedHeight(110);
    connect(logo_list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* it) {
        load_logo(it->text());
        state_.settings.logo = it->text().toStdString();
    });
    ug->addWidget(logo_list_, 1, 1);
    logo_ = new QLabel(user);
    logo_->setObjectName("Image19");
    mark_picture(logo_);
    set_tag(logo_, 472);
    logo_->setFixedSize(180, 110);
    logo_->setFrameShape(QFrame::StyledPanel);
    logo_->setAlignment(Qt::AlignCenter);
    ug->addWidget(logo_, 1, 2);
    grid->addWidget(user, 0, 0);
    auto* choices = new QHBoxLayout;
    choices->setSpacing(12);
    grid->addLayout(choices, 1, 0);

    rg_units_ = new RadioGroup("bsSkinRadioGroup1", "units", {"metric", "imperial"}, w);
    set_tag(rg_units_, 64);
    set_tag(rg_units_->button(0), 473);
    set_tag(rg_units_->button(1), 474);
    connect(rg_units_, &RadioGroup::itemClicked, this, [this](int i) {
        state_.settings.m_unit = static_cast<uint8_t>(i);
        if (hooks_.set_units)
            hooks_.set_units();
    });
    choices->addWidget(rg_units_);

    auto* look = new QGroupBox("look", w);
    look->setObjectName("GB_look");
    set_tag(look, 475);
    auto* lv = new QVBoxLayout(look);
    looks_ = new QComboBox(look);
    looks_->setObjectName("bsSkinComboBox7");
    looks_->addItems(look_names());
    looks_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(looks_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (looks_filling_ || i < 0)
            return;
        state_.settings.skin_index = i;
        apply_skin(i);
    });
    lv->addWidget(looks_);
    lv->addStretch();
    choices->addWidget(look);

    rg_maptype_ = new RadioGroup("RG_maptype", "map type", {"Map", "Sat"}, w);
    set_tag(rg_maptype_, 476);
    rg_maptype_->set_item_index_silent(1);
    connect(rg_maptype_, &RadioGroup::itemClicked, this,
            [this](int i) { state_.settings.map_type = i; });
    choices->addWidget(rg_maptype_);

    cb_easygo_ = new QCheckBox("easygo", w);
    cb_easygo_->setObjectName("CB_easygo");
    cb_easygo_->hide();
    connect(cb_easygo_, &QCheckBox::toggled, this,
            [this](bool on) { state_.settings.easygo = on; });

    auto* serial = new QGroupBox("GPS", w);
    serial->setObjectName("GB_serial");
    set_tag(serial, 477);
    auto* sg = new QGridLayout(serial);
    sg->addWidget(tagged_label("L_port", "Port:", 0, serial), 0, 0);
    port_label_ = new QLabel(serial);
    port_label_->setObjectName("L_com_port");
    sg->addWidget(port_label_, 0, 1);
    ports_ = new QPlainTextEdit(serial);
    ports_->setObjectName("Memo5");
    ports_->setReadOnly(true);
    ports_->setFixedHeight(90);
    sg->addWidget(ports_, 1, 0, 1, 2);
    auto* search = tagged_button("bsSkinButton6", "konf", 478, serial);
    auto* conf = tagged_button("bsSkinButton8", "konf", 479, serial);
    sg->addWidget(search, 2, 0);
    sg->addWidget(conf, 2, 1);
    connect(search, &QPushButton::clicked, this, [this] {
        if (has_command("bsSkinButton6")) {
            commands_["bsSkinButton6"]();
            return;
        }
        // Without the receiver code: list the ports, say when there are none.
        QStringList names;
        for (const auto& p : QSerialPortInfo::availablePorts())
            names << p.portName();
        ports_->setPlainText(names.join('\n'));
        if (names.isEmpty())
            dialogs().message(state_.texts(444));
    });
    connect(conf, &QPushButton::clicked, this, [this] {
        if (has_command("bsSkinButton8")) {
            commands_["bsSkinButton8"]();
            return;
        }
        auto port = dialogs().input("GPS", "Port", state_.settings.com_port);
        if (port) {
            state_.settings.com_port = trim(*port);
            port_label_->setText(QString::fromStdString(state_.settings.com_port));
        }
    });
    grid->addWidget(serial, 0, 1, 2, 1);

    auto* config = new QGroupBox("Firmware updates", w);
    config->setObjectName("GB_config");
    set_tag(config, 480);
    auto* cg = new QGridLayout(config);
    auto* b4 = tagged_button("Button4", "Update Pelquor", 0, config);
    auto* b5 = tagged_button("Button5", "Update Tessrin", 0, config);
    cg->setColumnStretch(0, 1);
    cg->setColumnStretch(1, 1);
    cg->addWidget(b4, 0, 0);
    cg->addWidget(b5, 0, 1);
    cg->addWidget(tagged_label("L_id", "ID", 0, config), 1, 0);
    id_edit_ = new QLineEdit(config);
    id_edit_->setObjectName("id_edit");
    cg->addWidget(id_edit_, 1, 1);
    auto* read = tagged_button("bsSkinSpeedButton1", "readloggerconfig", 481, config);
    cg->addWidget(read, 2, 0, 1, 2);
    auto* memo4 = new QPlainTextEdit(config);
    memo4->setObjectName("Memo4");
    memo4->setReadOnly(true);
    memo4->setMinimumHeight(160);
    cg->addWidget(memo4, 3, 0, 1, 2);
    connect(b4, &QPushButton::clicked, this, [this] { run_command("Button4", true); });
    connect(b5, &QPushButton::clicked, this, [this] { run_command("Button5", true); });
    connect(read, &QPushButton::clicked, this, [this] { run_command("bsSkinSpeedButton1", true); });
    connect(id_edit_, &QLineEdit::returnPressed, this,
            [this] { run_command("bsSkinSpeedButton1", true); });
    grid->addWidget(config, 0, 2, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(2, 1);
    sg->setRowStretch(3, 1);
    return w;
}

void TForm1::load_logo(const QString& file) {
    QPixmap p;
    if (!file.isEmpty() && QFileInfo::exists(file) && p.load(file))
        logo_->setPixmap(p.scaled(logo_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        logo_->clear();
}

void TForm1::fill_logo_list() {
    logo_list_->clear();
    logo_list_->addItems(
        QDir::current().entryList({"*.bmp", "*.gif", "*.jpg", "*.png"}, QDir::Files, QDir::Name));
}

void TForm1::load_settings_into_controls() {
    const Settings& s = state_.settings;
    label_edit_->setText(QString::fromStdString(s.label));
    fill_logo_list();
    load_logo(QString::fromStdString(s.logo));
    rg_units_->set_item_index_silent(s.m_unit == 1 ? 1 : 0);
    rg_maptype_->set_item_index_silent(s.map_type == 0 ? 0 : 1);
    cb_lines_->setChecked(s.drawpipelines);
    cb_easygo_->setChecked(s.easygo);
    port_label_->setText(QString::fromStdString(s.com_port));
    looks_filling_ = true;
    looks_->clear();
    looks_->addItems(look_names());
    looks_->setCurrentIndex(s.skin_index >= 0 && s.skin_index < looks_->count() ? s.skin_index : 0);
    looks_filling_ = false;
}

// ---------------------------------------------------------------- creation

void TForm1::FormCreate(const std::string& shipped_config) {
    QCoreApplication::setApplicationName("TrevoPelquor");
    state_.folders = make_folders(documents_folder(), shipped_config);
    std::string error;
    if (!setup_folders(state_.folders, &error))
        dialogs().error(error);
    try {
        load_ini(state_.settings, state_.folders);
    } catch (const ConversionError& e) {
        dialogs().error(e.message);
    }
    state_.group.sample_rate = 6554;
    load_language();
    apply_language();
    check_updates(state_.settings, state_.folders, dialogs());
    load_settings_into_controls();
    format_TS_main();
    page_control_->setCurrentIndex(page_group);
    previous_page_ = page_group;
    ribbon_->set_current_index(tab_main);
}

void TForm1::start_form_ok() {
    showMinimized();
    if (hooks_.load_materials)
        hooks_.load_materials();
    apply_language();
    apply_skin(state_.settings.skin_index);
    format_TS_main();
    if (hooks_.setup_archive)
        hooks_.setup_archive();
    if (hooks_.recall_last_node)
        hooks_.recall_last_node();
    format_TS_corrlog();
    showMaximized();
}

// ---------------------------------------------------------------- work pages

void TForm1::set_work_page(int index, QWidget* content) {
    QWidget* sheet = work_page(index);
    if (!sheet || !content)
        return;
    auto* lay = static_cast<QVBoxLayout*>(sheet->layout());
    while (QLayoutItem* it = lay->takeAt(0)) {
        if (QWidget* old = it->widget())
            old->deleteLater();
        delete it;
    }
    if (index >= 0 && index < 5)
        placeholders_[index] = nullptr;
    lay->addWidget(content);
    content->show();
    apply_language_to(content, state_.texts);
}

QWidget* TForm1::work_page(int index) const {
    return index >= 0 && index < page_control_->count() ? page_control_->widget(index) : nullptr;
}

int TForm1::current_work_page() const {
    return page_control_->currentIndex();
}
void TForm1::show_work_page(int index) {
    page_control_->setCurrentIndex(index);
}

void TForm1::set_command(const QString& control, std::function<void()> fn) {
    if (fn)
        commands_[control] = std::move(fn);
    else
        commands_.remove(control);
}

void TForm1::run_command(const QString& control, bool radio) {
    if (auto it = commands_.find(control); it != commands_.end()) {
        it.value()();
        return;
    }
    // Without the radio operations there is no interface to talk to.
    if (radio || is_radio_command(control))
        dialogs().message(state_.texts(247));
    else
        dialogs().message(state_.texts(499));
}

// ---------------------------------------------------------------- language

void TForm1::load_language() {
    std::string error;
    if (!pelquor::load_language(state_.texts, state_.folders.config, state_.settings.language,
                                &error))
        dialogs().error(error);
}

void TForm1::register_window(QWidget* w) {
    windows_.removeAll(nullptr);
    if (w && !windows_.contains(w))
        windows_ << w;
}

void TForm1::apply_language() {
    const LangTexts& t = state_.texts;
    auto pick = [&](int n, const char* fallback) {
        return t(n).empty() ? QString(fallback) : qtext(t, n);
    };
    qt_dialogs_->buttons = {pick(49, "Yes"), pick(50, "No"), pick(45, "OK"), pick(57, "Cancel")};
    for (const QPointer<QWidget>& w : windows_)
        if (w)
            apply_language_to(w, t);
}

QString TForm1::lang_text(int n) const {
    return qtext(state_.texts, n);
}

void TForm1::set_text() {
    const LangTexts& t = state_.texts;
    if (auto* rg1 = findChild<RadioGroup*>("RadioGroup1")) {
        rg1->set_item_text(0, qtext(t, 12));
        rg1->set_item_text(1, qtext(t, 13) + " A+B");
        rg1->set_item_text(2, qtext(t, 13) + " A");
        rg1->set_item_text(3, qtext(t, 13) + " B");
    }
    if (auto* rg2 = findChild<RadioGroup*>("RadioGroup2")) {
        rg2->set_item_text(0, qtext(t, 16));
        rg2->set_item_text(1, qtext(t, 17));
    }
    rg_click_->set_item_text(0, qtext(t, 450));
    rg_click_->set_item_text(1, qtext(t, 420));
    rg_method_->set_item_text(0, qtext(t, 108));
    rg_method_->set_item_text(1, qtext(t, 109));
}

void TForm1::set_hints() {
    if (auto* w = findChild<QWidget*>("Image5"))
        w->setToolTip(lang_text(300));
    if (auto* w = findChild<QWidget*>("Image2"))
        w->setToolTip(lang_text(301));
}

bool TForm1::my_dialog(const QString& button_ok, const QString& button_ca, const QString& text) {
    // The dialog's captions return to 45 and 57 afterwards by construction:
    // the custom captions live only in this one call.
    return !dialogs().two_buttons(text.toStdString(), button_ok.toStdString(),
                                  button_ca.toStdString());
}

// ---------------------------------------------------------------- layout

void TForm1::format_TS_main() {
    setWindowTitle("TrevoPelquor, 1.54");
    GroupState& g = state_.group;
    g.filter1_li = 180;
    g.filter1_re = g.sample_rate / 2;
    if (auto* l = findChild<QLabel*>("L_fli")) {
        l->setText(QString::number(g.filter1_li) + "Hz");
        l->hide();
    }
    if (auto* l = findChild<QLabel*>("L_fre")) {
        l->setText(QString::number(g.filter1_re) + "Hz");
        l->hide();
    }
    if (auto* p = findChild<QWidget*>("Panel2"))
        p->setFixedHeight(std::max(40, state_.settings.coh_height));
    set_text();
    if (hooks_.set_units)
        hooks_.set_units();
    skin_refresh();
    if (!main_formatted_) {
        main_formatted_ = true;
        set_hints();
        if (hooks_.reset_all)
            hooks_.reset_all();
    }
}

void TForm1::format_TS_corrlog() {
    if (hooks_.layout_corrlog)
        hooks_.layout_corrlog();
}

void TForm1::skin_refresh() {
    try {
        load_colortable_ini(state_.colors, state_.folders.config + "colortable.ini");
    } catch (const ConversionError& e) {
        dialogs().error(e.message);
    }
    if (hooks_.setup_images)
        hooks_.setup_images();
    if (status_line_->isHidden())
        reset_status_bar();
}

void TForm1::apply_skin(int index) {
    apply_look(index);
}

void TForm1::Timer3Timer() {
    timer3_->stop();
    format_TS_main();
    format_TS_corrlog();
    apply_language();
    apply_skin(state_.settings.skin_index);
}

void TForm1::bsSkinSplitter2Moved(int panel2_height) {
    if (++splitter_moves_ % 2 != 0)
        return;
    state_.settings.coh_height = panel2_height;
    format_TS_main();
}

// ---------------------------------------------------------------- ribbon

void TForm1::bsRibbon1ChangePage(int index) {
    const int previous = current_work_page();
    for (const char* name : {"circle_marker", "GB_single", "Panel13"})
        if (auto* w = findChild<QWidget*>(name))
            w->hide();
    if (auto* w = findChild<QWidget*>("Image2"))
        w->show();
    rg_click_->set_item_index_silent(0);

    switch (index) {
    case tab_analysis: {
        show_work_page(page_correlation);
        const Tcorr_log_set& s = state_.group.corr_log_set;
        const int p = s.actual_pipe;
        const bool composite =
            p >= 1 && p < static_cast<int>(s.pipes.size()) && s.pipes[p].multi_sec == 1;
        if (auto* b = findChild<QWidget*>("bsSkinButtonLabel21"))
            b->setVisible(!composite);
        break;
    }
    case tab_map:
        show_work_page(page_map);
        ribbon_->set_tab_visible(tab_analysis, false);
        break;
    case tab_options:
        show_work_page(page_options);
        ribbon_->set_tab_visible(tab_analysis, false);
        break;
    default:
        show_work_page(page_group);
        ribbon_->set_tab_visible(tab_analysis, false);
        if (auto* gb = findChild<QWidget*>("GB_correlations"); gb && gb->isVisible())
            bsSkinButtonLabel67Click();
        break;
    }
    if (current_work_page() == page_map) {
        if (hooks_.map_init) {
            hooks_.map_init();
            hooks_.map_init();
        }
        if (auto* w = findChild<QWidget*>("EP_corr_results"))
            w->hide();
    }
    // The pipe page has no save of its own: leaving it writes the group.
    if (previous == page_pipe && current_work_page() != page_pipe && hooks_.save_group)
        hooks_.save_group();
    previous_page_ = current_work_page();
}

void TForm1::show_analysis_tab() {
    ribbon_->set_tab_visible(tab_analysis, true);
    ribbon_->set_current_index(tab_analysis);
}

void TForm1::bsSkinButtonLabel67Click() {
    run_command("bsSkinButtonLabel67", false);
}
void TForm1::bsSkinButtonLabel68Click() {
    run_command("bsSkinButtonLabel68", true);
}
void TForm1::bsSkinButtonLabel69Click() {
    run_command("bsSkinButtonLabel69", true);
}
void TForm1::bsSkinButtonLabel70Click() {
    if (has_command("bsSkinButtonLabel70"))
        run_command("bsSkinButtonLabel70", false);
    else
        show_work_page(page_group);
}
void TForm1::bsSkinButtonLabel46Click() {
    run_command("bsSkinButtonLabel46", true);
}
void TForm1::bsSkinButtonLabel43Click() {
    run_command("bsSkinButtonLabel43", true);
}
void TForm1::bsSkinButtonLabel54Click() {
    run_command("bsSkinButtonLabel54", false);
}
void TForm1::bsSkinRadioGroup3Click(int item) {
    state_.group.corr_log_set.c_mode = item;
    if (hooks_.save_group)
        hooks_.save_group();
    if (has_command("bsSkinRadioGroup3"))
        run_command("bsSkinRadioGroup3", false);
}
void TForm1::bsSkinButtonLabel26Click() {
    run_command("bsSkinButtonLabel26", false);
}
void TForm1::bsSkinButtonLabel22Click() {
    run_command("bsSkinButtonLabel22", false);
}
void TForm1::bsSkinButtonLabel23Click() {
    run_command("bsSkinButtonLabel23", false);
}
void TForm1::bsSkinButtonLabel25Click() {
    run_command("bsSkinButtonLabel25", false);
}
void TForm1::bsSkinButtonLabel4Click() {
    run_command("bsSkinButtonLabel4", false);
}
void TForm1::bsSkinButtonLabel76Click() {
    run_command("bsSkinButtonLabel76", false);
}
void TForm1::bsSkinButtonLabel13Click() {
    run_command("bsSkinButtonLabel13", false);
}
void TForm1::bsSkinButtonLabel27Click() {
    run_command("bsSkinButtonLabel27", false);
}
void TForm1::bsSkinButtonLabel5Click() {
    run_command("bsSkinButtonLabel5", false);
}
void TForm1::bsSkinButtonLabel34Click() {
    run_command("bsSkinButtonLabel34", false);
}
void TForm1::bsSkinButtonLabel8Click() {
    run_command("bsSkinButtonLabel8", false);
}
void TForm1::bsSkinButtonLabel10Click() {
    run_command("bsSkinButtonLabel10", false);
}
void TForm1::bsSkinButtonLabel9Click() {
    run_command("bsSkinButtonLabel9", false);
}
void TForm1::bsSkinButtonLabel12Click() {
    run_command("bsSkinButtonLabel12", false);
}
void TForm1::bsSkinButtonLabel21Click() {
    run_command("bsSkinButtonLabel21", false);
}

// ---------------------------------------------------------------- clock

QString TForm1::time_text(uint32_t local_epoch) const {
    const int s = static_cast<int>(local_epoch % 86400u);
    QString fmt = QLocale().timeFormat(QLocale::LongFormat);
    fmt.remove('t'); // no time zone: the value is local time already
    QString text = QTime(s / 3600, (s / 60) % 60, s % 60).toString(fmt.trimmed());
    for (QChar c : {'a', 'p', 'm', 'A', 'P', 'M'})
        text.remove(c);
    return text.trimmed();
}

void TForm1::clockTimer() {
    const uint32_t now = time_source_->local_now();
    sl_time_->setText(time_text(now));
    const int delta = state_.group.corr_log_set.meas_delta;
    auto colour = [](QLabel* l, const char* c) { l->setStyleSheet(QString("color: %1;").arg(c)); };
    switch (state_.group.prog_state) {
    case 0:
        delta_plus_->hide();
        delta_minus_->hide();
        sl_in_->hide();
        act_time_->hide();
        colour(sl_at_, "black");
        colour(sl_in_, "black");
        break;
    case 1:
        delta_plus_->show();
        delta_minus_->show();
        sl_in_->show();
        act_time_->show();
        sl_at_->setText(time_text(now + static_cast<uint32_t>(delta)));
        sl_in_->setText(QString::number(delta / 60) + " min");
        colour(sl_at_, "black");
        colour(sl_in_, "black");
        break;
    case 2:
        delta_plus_->hide();
        delta_minus_->hide();
        sl_in_->hide();
        act_time_->show();
        colour(sl_at_, "red");
        colour(sl_in_, "red");
        break;
    default:
        break;
    }
}

void TForm1::set_clock_running(bool on) {
    if (auto* g = findChild<QWidget*>("RG_clock"))
        g->setVisible(on);
    if (on) {
        clockTimer();
        clock_->start();
    } else {
        clock_->stop();
    }
}

void TForm1::meas_delta_plus() {
    int32_t& d = state_.group.corr_log_set.meas_delta;
    if (d <= 3300)
        d += 300;
    if (hooks_.save_group)
        hooks_.save_group();
}

void TForm1::meas_delta_minus() {
    int32_t& d = state_.group.corr_log_set.meas_delta;
    if (d >= 120)
        d -= 60;
    if (hooks_.save_group)
        hooks_.save_group();
}

// ---------------------------------------------------------------- countdown

void TForm1::show_countdown_panels(bool visible) {
    for (QFrame* p : count_panels_)
        p->setVisible(visible);
}

void TForm1::start_countdown(int phase, int seconds) {
    countdown_phase_ = phase;
    countdown_remaining_ = std::max(0, seconds);
    sec_timer_->start();
}

void TForm1::stop_countdown() {
    sec_timer_->stop();
    countdown_phase_ = 0;
    show_countdown_panels(false);
}

void TForm1::sec_timerTimer() {
    QString phase_text;
    if (countdown_phase_ == 1) {
        phase_text = lang_text(437);
    } else if (countdown_phase_ == 2) {
        phase_text = lang_text(438);
        progress().hide_easy_guide();
    }
    for (QLabel* l : count_phase_)
        l->setText(phase_text);
    if (countdown_remaining_ > 0) {
        --countdown_remaining_;
        show_countdown_panels(true);
        const QString t =
            QString::asprintf("%02d:%02d", countdown_remaining_ / 60, countdown_remaining_ % 60);
        for (QLabel* l : count_time_)
            l->setText(t);
    } else if (countdown_phase_ == 1) {
        countdown_phase_ = 2;
        countdown_remaining_ = 6 * 60;
    } else {
        sec_timer_->stop();
    }
}

void TForm1::shutoff_counter() {
    if (sec_timer_->isActive())
        show_countdown_panels(false);
    else
        start_countdown(3, 3 * 60);
}

bool TForm1::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease)
        for (QLabel* l : count_time_)
            if (o == l) {
                stop_countdown();
                return true;
            }
    return QMainWindow::eventFilter(o, e);
}

// ---------------------------------------------------------------- status, help

void TForm1::set_status_bar(Tcolor back, Tcolor front, const QString& text) {
    QPalette p = status_line_->palette();
    p.setColor(QPalette::Window, to_qcolor(back));
    p.setColor(QPalette::WindowText, to_qcolor(front));
    status_line_->setPalette(p);
    QFont f = status_line_->font();
    f.setPointSize(back == 255 ? 10 : 8);
    status_line_->setFont(f);
    status_line_->setText(text);
    status_line_->show();
}

void TForm1::reset_status_bar() {
    status_line_->hide();
    QPalette p = status_line_->palette();
    p.setColor(QPalette::Window, to_qcolor(state_.colors.panels_back));
    p.setColor(QPalette::WindowText, to_qcolor(state_.colors.text));
    status_line_->setPalette(p);
}

QString TForm1::help_file() const {
    const QString dir = QCoreApplication::applicationDirPath() + "/manuals/";
    const QString own = dir + QString::fromStdString(state_.settings.language) + ".pdf";
    return QFileInfo::exists(own) ? own : dir + "english.pdf";
}

void TForm1::show_help() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(help_file()));
}

bool TForm1::get_input(const QString& i_label, QString& val, const QString& format) {
    return input_->get_input(i_label, val, format);
}

void TForm1::show_dev_functions() {
    dev_mode_ = true;
    static constexpr int import_buttons[] = {36, 40, 44, 48, 52, 56, 60, 64};
    for (int n : import_buttons)
        if (auto* b = findChild<QWidget*>(QString("bsSkinButtonLabel%1").arg(n)))
            b->show();
    cb_10audio_->show();
}

void TForm1::print_window() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog d(&printer, this);
    if (d.exec() != QDialog::Accepted)
        return;
    const QPixmap pic = grab();
    QPainter p(&printer);
    const QRect page = p.viewport();
    QSize s = pic.size();
    s.scale(page.size(), Qt::KeepAspectRatio);
    p.setViewport(page.x(), page.y(), s.width(), s.height());
    p.setWindow(pic.rect());
    p.drawPixmap(0, 0, pic);
}

// ---------------------------------------------------------------- events

void TForm1::closeEvent(QCloseEvent* e) {
    if (saves_on_close(state_.settings)) {
        std::string error;
        if (!save_ini(state_.settings, state_.folders, &error))
            dialogs().error(error);
    }
    e->accept();
}

void TForm1::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F2 && (e->modifiers() & Qt::AltModifier)) {
        show_dev_functions();
        return;
    }
    QMainWindow::keyPressEvent(e);
}

} // namespace pelquor
