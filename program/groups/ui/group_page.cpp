#include "groups/ui/group_page.h"

#include "groups/std_group.h"
#include "groups/ui/group_icons.h"
#include "shell/settings.h"
#include "shell/ui/radio_group.h"
#include "shell/ui/tags.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace pelquor {

namespace {

// Position-edit, play and import buttons of slots 1..8.
constexpr int gps_edit_numbers[] = {0, 11, 15, 16, 35, 39, 47, 50, 51};
constexpr int play_numbers[] = {0, 37, 41, 45, 49, 53, 57, 61, 65};
constexpr int import_numbers[] = {0, 36, 40, 44, 48, 52, 56, 60, 64};

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QString button_name(int number) {
    return QStringLiteral("bsSkinButtonLabel%1").arg(number);
}

// Slot buttons carry their slot as tag; they are pictures, so the text of
// that number becomes their hint, never their face.
QToolButton* slot_button(const QString& name, int slot, const QString& face, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(face);
    b->setAutoRaise(true);
    set_tag(b, slot);
    mark_picture(b);
    return b;
}

QPushButton* tagged(const QString& name, const QString& caption, int tag, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    if (tag)
        set_tag(b, tag);
    return b;
}

// Local epoch seconds shown as they are: no time zone applied.
QDateTime local_time(uint32_t local_epoch) {
    return QDateTime::fromSecsSinceEpoch(local_epoch, Qt::UTC);
}

} // namespace

// ------------------------------------------------------------------ tree view

ArchiveTreeView::ArchiveTreeView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName("bsSkinTreeView1");
    setHeaderHidden(true);
    setColumnCount(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

void ArchiveTreeView::mouseReleaseEvent(QMouseEvent* e) {
    QTreeWidget::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton)
        emit leftReleased();
}

void ArchiveTreeView::contextMenuEvent(QContextMenuEvent* e) {
    emit contextAsked(itemAt(e->pos()), e->globalPos());
}

// ------------------------------------------------------------------ page

GroupPage::GroupPage(GroupState& g, Settings& settings, const LangTexts& texts, Dialogs& dialogs,
                     AnnouncementSource* source, QWidget* parent)
    : QWidget(parent), g_(g), texts_(texts), dialogs_(dialogs), source_(source) {
    setObjectName("group_page");
    workflow_ = std::make_unique<ArchiveWorkflow>(g, tree_, settings, texts, dialogs, *this);
    if (source_)
        detect_ = std::make_unique<AutoDetect>(*source_, *workflow_, dialogs_);

    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(4, 4, 4, 4);
    lay->setSpacing(6);

    auto* side = new QWidget(this);
    side->setObjectName("group_page_side");
    side_ = new QVBoxLayout(side);
    side_->setContentsMargins(0, 0, 0, 0);
    side->setMinimumWidth(230);
    side->setMaximumWidth(320);
    lay->addWidget(side);
    build_tree_box();

    auto* right = new QWidget(this);
    auto* grid = new QGridLayout(right);
    grid->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(right, 1);

    build_loggers_box();
    build_collection_panel();
    grid->addWidget(gb_loggers_, 0, 0);
    grid->addWidget(gb_logger_add_, 0, 0);
    grid->setRowStretch(0, 1);

    // Recording settings, range and notes under the logger boxes.
    auto* bottom = new QHBoxLayout;
    gb_night_ = new QGroupBox("night", right);
    gb_night_->setObjectName("GB_night");
    auto* night = new QGridLayout(gb_night_);
    cb_start_ = new QComboBox(gb_night_);
    cb_start_->setObjectName("CB_start");
    cb_stop_ = new QComboBox(gb_night_);
    cb_stop_->setObjectName("CB_stop");
    for (int h = 0; h < 24; ++h) {
        const QString t = QStringLiteral("%1:00").arg(h, 2, 10, QLatin1Char('0'));
        cb_start_->addItem(t);
        cb_stop_->addItem(t);
    }
    night->addWidget(new QLabel("start", gb_night_), 0, 0);
    night->addWidget(cb_start_, 0, 1);
    night->addWidget(new QLabel("stop", gb_night_), 1, 0);
    night->addWidget(cb_stop_, 1, 1);
    connect(cb_start_, &QComboBox::activated, this, [this](int hour) {
        workflow_->start_hour_chosen(hour);
        filling_ = true;
        cb_stop_->setCurrentIndex(g_.corr_log_set.stop);
        filling_ = false;
    });
    connect(cb_stop_, &QComboBox::activated, this,
            [this](int hour) { workflow_->stop_hour_chosen(hour); });
    bottom->addWidget(gb_night_);

    gb_inst_ = new QGroupBox("instant", right);
    gb_inst_->setObjectName("GB_inst");
    auto* inst = new QVBoxLayout(gb_inst_);
    inst_label_ = new QLabel(gb_inst_);
    inst_label_->setObjectName("L_inst");
    inst->addWidget(inst_label_);
    gb_inst_->hide();
    bottom->addWidget(gb_inst_);

    rg_range_ = new RadioGroup("RG_range", "range", {"Corr", "Vellmar"}, right);
    rg_range_->setEnabled(false);
    connect(rg_range_, &RadioGroup::itemClicked, this, &GroupPage::RG_rangeClick);
    bottom->addWidget(rg_range_);

    auto* notes = new QGroupBox("notes", right);
    notes->setObjectName("GB_notes");
    auto* nl = new QVBoxLayout(notes);
    memo3_ = new QPlainTextEdit(notes);
    memo3_->setObjectName("Memo3");
    memo3_->setMaximumHeight(90);
    nl->addWidget(memo3_);
    connect(memo3_, &QPlainTextEdit::textChanged, this, [this] {
        if (!filling_)
            workflow_->notes_edited(memo3_->toPlainText().toStdString());
    });
    bottom->addWidget(notes, 1);
    grid->addLayout(bottom, 1, 0);

    reset_logger_page();
    gb_logger_add_->hide();
}

GroupPage::~GroupPage() {
    if (detect_)
        detect_->close();
    while (busy_)
        busy(false);
}

void GroupPage::set_announcement_source(AnnouncementSource* source) {
    if (detect_)
        detect_->close();
    source_ = source;
    detect_ = source ? std::make_unique<AutoDetect>(*source, *workflow_, dialogs_) : nullptr;
    sync_detection();
}

void GroupPage::build_tree_box() {
    gb_tree_ = new QGroupBox("archive", this);
    gb_tree_->setObjectName("GB_tree");
    auto* v = new QVBoxLayout(gb_tree_);
    auto* search = new QHBoxLayout;
    edit2_ = new QLineEdit(gb_tree_);
    edit2_->setObjectName("Edit2");
    edit2_->setPlaceholderText("name");
    auto* find = tagged("bsSkinButtonLabel28", "suchen", 0, gb_tree_);
    search->addWidget(edit2_, 1);
    search->addWidget(find);
    v->addLayout(search);
    tree_view_ = new ArchiveTreeView(gb_tree_);
    v->addWidget(tree_view_, 1);
    side_->addWidget(gb_tree_, 1);

    connect(find, &QPushButton::clicked, this, &GroupPage::bsSkinButtonLabel28Click);
    connect(edit2_, &QLineEdit::returnPressed, this, &GroupPage::bsSkinButtonLabel28Click);
    connect(tree_view_, &ArchiveTreeView::leftReleased, this, &GroupPage::bsSkinTreeView1MouseUp);
    connect(tree_view_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!filling_)
            tree_.selected = node_of(item);
    });

    popup_ = new QMenu(this);
    popup_->setObjectName("PopupMenu1");
    auto item = [&](const char* name, const char* caption, int tag, void (GroupPage::*fn)()) {
        QAction* a = popup_->addAction(caption);
        a->setObjectName(name);
        set_tag(a, tag);
        connect(a, &QAction::triggered, this, fn);
        return a;
    };
    delete1_ = item("Delete1", "Delete", 202, &GroupPage::Delete1Click);
    new_measurement1_ =
        item("newmeasurement1", "new measurement", 104, &GroupPage::newmeasurement1Click);
    add1_ = item("add1", "add", 200, &GroupPage::add1Click);
    set1_ = item("set1", "set", 206, &GroupPage::set1Click);
    connect(popup_, &QMenu::aboutToShow, this, &GroupPage::PopupMenu1Popup);
    connect(tree_view_, &ArchiveTreeView::contextAsked, this,
            [this](QTreeWidgetItem* item, const QPoint& pos) {
                if (item)
                    workflow_->select_right_clicked(node_of(item));
                popup_->popup(pos);
            });
}

void GroupPage::build_loggers_box() {
    gb_loggers_ = new QGroupBox("Logger", this);
    gb_loggers_->setObjectName("GB_loggers");
    auto* grid = new QGridLayout(gb_loggers_);
    grid->setSpacing(6);
    for (int n = 1; n <= max_loggers; ++n) {
        LoggerBox& b = boxes_[n];
        const QString num = QString::number(n);
        b.box = new QGroupBox("LOG " + num, gb_loggers_);
        b.box->setObjectName("GB_" + num);
        auto* g = new QGridLayout(b.box);
        g->setContentsMargins(4, 4, 4, 4);
        g->setSpacing(3);

        b.id = new QLineEdit(b.box);
        b.id->setObjectName("LID_" + num);
        b.id->setReadOnly(true);
        b.id->setMaximumWidth(52);
        b.label = new QLineEdit(b.box);
        b.label->setObjectName("LC_" + num);
        set_tag(b.label, n);
        b.gps = slot_button("gps_" + num, n, "", b.box);
        b.gps->setIcon(position_icon(false));
        b.gps_edit = slot_button(button_name(gps_edit_numbers[n]), n, "…", b.box);
        b.play = slot_button(button_name(play_numbers[n]), n, "▶", b.box);
        b.import = slot_button(button_name(import_numbers[n]), n, "⇪", b.box);
        b.import->hide();
        b.remove = slot_button("n3_del_" + num, n, "✕", b.box);

        auto* row = new QHBoxLayout;
        row->setSpacing(2);
        row->addWidget(b.id);
        row->addWidget(b.label, 1);
        row->addWidget(b.remove);
        g->addLayout(row, 0, 0, 1, 2);

        b.image = new QLabel(b.box);
        b.image->setObjectName("log_image" + num);
        b.image->setMinimumSize(120, 48);
        b.image->setFrameShape(QFrame::StyledPanel);
        b.image->setScaledContents(true);
        b.simage = new QLabel(b.box);
        b.simage->setObjectName("log_simage" + num);
        b.simage->setMinimumSize(60, 48);
        b.simage->setFrameShape(QFrame::StyledPanel);
        b.simage->setScaledContents(true);
        g->addWidget(b.image, 1, 0);
        g->addWidget(b.simage, 1, 1);
        g->setColumnStretch(0, 2);
        g->setColumnStretch(1, 1);

        b.memo = new QPlainTextEdit(b.box);
        b.memo->setObjectName("M_" + num);
        b.memo->setReadOnly(true);
        b.memo->setMaximumHeight(48);
        b.memo->setMinimumHeight(40);
        b.memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto* foot = new QHBoxLayout;
        foot->setSpacing(2);
        foot->addWidget(b.memo, 1);
        auto* buttons = new QGridLayout;
        buttons->setSpacing(0);
        buttons->addWidget(b.gps, 0, 0);
        buttons->addWidget(b.gps_edit, 0, 1);
        buttons->addWidget(b.play, 1, 0);
        buttons->addWidget(b.import, 1, 1);
        foot->addLayout(buttons);
        g->addLayout(foot, 2, 0, 1, 2);
        g->setRowStretch(1, 1);

        connect(b.label, &QLineEdit::textEdited, this,
                [this, n](const QString& t) { workflow_->label_edited(n, t.toStdString()); });
        connect(b.remove, &QToolButton::clicked, this, [this, n] { n3_del_1Click(n); });
        auto forward = [this, n](std::function<void(int)> GroupPageHooks::*hook) {
            return [this, n, hook] {
                if (page_hooks.*hook)
                    (page_hooks.*hook)(n);
            };
        };
        connect(b.gps, &QToolButton::clicked, this, forward(&GroupPageHooks::position_clicked));
        connect(b.gps_edit, &QToolButton::clicked, this,
                forward(&GroupPageHooks::position_edit_clicked));
        connect(b.play, &QToolButton::clicked, this, forward(&GroupPageHooks::play_clicked));
        connect(b.import, &QToolButton::clicked, this, forward(&GroupPageHooks::import_clicked));
    }
    format_TS_corrlog();
}

void GroupPage::format_TS_corrlog() {
    auto* grid = static_cast<QGridLayout*>(gb_loggers_->layout());
    for (int n = 1; n <= max_loggers; ++n) {
        grid->removeWidget(boxes_[n].box);
        grid->addWidget(boxes_[n].box, (n - 1) / 4, (n - 1) % 4);
    }
    for (int c = 0; c < 4; ++c)
        grid->setColumnStretch(c, 1);
}

void GroupPage::build_collection_panel() {
    gb_logger_add_ = new QGroupBox("", this);
    gb_logger_add_->setObjectName("GB_logger_add");
    gb_logger_add_->setAutoFillBackground(true);
    auto* h = new QHBoxLayout(gb_logger_add_);
    list_ = new QListWidget(gb_logger_add_);
    list_->setObjectName("bsSkinListBox1");
    list_->setMaximumWidth(420);
    h->addWidget(list_, 1);
    auto* col = new QVBoxLayout;
    add_button_ = tagged("bsSkinButtonLabel71", "loggerhinzu", 0, gb_logger_add_);
    remove_button_ = tagged("bsSkinButtonLabel72", "loggerlöschen", 0, gb_logger_add_);
    remove_all_button_ = tagged("bsSkinButtonLabel2", "alleloggerlöschen", 0, gb_logger_add_);
    rename_button_ = tagged("bsSkinButtonLabel74", "gruppenname", 0, gb_logger_add_);
    ok_button_ = tagged("bsSkinButtonLabel73", "ok", 0, gb_logger_add_);
    for (auto* b : {add_button_, remove_button_, remove_all_button_, rename_button_})
        col->addWidget(b);
    auto* detect_row = new QHBoxLayout;
    cb_autodetect_ = new QCheckBox("autodetect", gb_logger_add_);
    cb_autodetect_->setObjectName("CB_autodetect");
    cb_autodetect_->setEnabled(false);
    image7_ = new QLabel(gb_logger_add_);
    image7_->setObjectName("Image7");
    image7_->setPixmap(radio_picture());
    image7_->setFixedSize(20, 20);
    mark_picture(image7_);
    image7_->hide();
    detect_row->addWidget(cb_autodetect_);
    detect_row->addWidget(image7_);
    detect_row->addStretch();
    col->addLayout(detect_row);
    col->addStretch();
    col->addWidget(ok_button_);
    h->addLayout(col);
    h->addStretch();

    timer_autodetect_ = new QTimer(this);
    timer_autodetect_->setObjectName("timer_autodetect");
    timer_autodetect_->setInterval(500);
    connect(timer_autodetect_, &QTimer::timeout, this, &GroupPage::timer_autodetectTimer);
    connect(add_button_, &QPushButton::clicked, this, &GroupPage::bsSkinButtonLabel71Click);
    connect(remove_button_, &QPushButton::clicked, this, &GroupPage::bsSkinButtonLabel72Click);
    connect(remove_all_button_, &QPushButton::clicked, this, &GroupPage::bsSkinButtonLabel2Click);
    connect(rename_button_, &QPushButton::clicked, this, &GroupPage::bsSkinButtonLabel74Click);
    connect(ok_button_, &QPushButton::clicked, this, &GroupPage::bsSkinButtonLabel73Click);
    connect(cb_autodetect_, &QCheckBox::clicked, this, &GroupPage::CB_autodetectClick);
}

void GroupPage::add_correlations_box(QWidget* box) {
    box->setParent(this);
    side_->addWidget(box, 1);
    box->hide();
}

void GroupPage::show_dev_functions() {
    for (int n = 1; n <= max_loggers; ++n)
        boxes_[n].import->show();
}

TreeNode* GroupPage::node_of(QTreeWidgetItem* item) const {
    if (!item)
        return nullptr;
    auto* node = reinterpret_cast<TreeNode*>(item->data(0, Qt::UserRole).value<quintptr>());
    return tree_.contains(node) ? node : nullptr;
}

// ------------------------------------------------------------------ handlers

void GroupPage::bsSkinTreeView1MouseUp() {
    tree_.selected = node_of(tree_view_->currentItem());
    workflow_->load_logger_set();
}

void GroupPage::PopupMenu1Popup() {
    MenuEnabling m = workflow_->menu_enabling();
    delete1_->setEnabled(m.delete_item);
    new_measurement1_->setEnabled(m.new_measurement);
    add1_->setEnabled(m.add);
    set1_->setEnabled(m.set);
}

void GroupPage::set1Click() {
    workflow_->set_group();
}

void GroupPage::bsSkinButtonLabel28Click() {
    workflow_->search(edit2_->text().toStdString());
}

int GroupPage::selected_row() const {
    return list_->currentRow() >= 0 && list_->currentItem() && list_->currentItem()->isSelected()
               ? list_->currentRow() + 1
               : 0;
}

void GroupPage::bsSkinButtonLabel72Click() {
    workflow_->remove_collected(selected_row());
}

void GroupPage::bsSkinButtonLabel2Click() {
    workflow_->remove_all_collected(selected_row());
}

void GroupPage::bsSkinButtonLabel73Click() {
    if (detect_)
        detect_->close();
    sync_detection();
    workflow_->confirm_collection();
}

void GroupPage::CB_autodetectClick(bool checked) {
    if (detect_)
        detect_->set_checked(checked);
    sync_detection();
}

void GroupPage::listening_ended() {
    if (detect_) {
        detect_->listening = false; // the device is closed already
        detect_->close();
    }
    sync_detection();
}

void GroupPage::timer_autodetectTimer() {
    // A confirmation dialog runs its own event loop: no tick may run inside it.
    timer_autodetect_->stop();
    if (detect_)
        detect_->tick();
    sync_detection();
}

void GroupPage::sync_detection() {
    const bool listening = detect_ && detect_->listening;
    const QSignalBlocker block(cb_autodetect_);
    cb_autodetect_->setEnabled(detect_ && detect_->enabled);
    cb_autodetect_->setChecked(detect_ && detect_->checked);
    image7_->setVisible(detect_ && detect_->running && detect_->image_visible);
    for (auto* b : {add_button_, remove_button_, remove_all_button_, rename_button_})
        b->setEnabled(!listening);
    if (detect_ && detect_->running) {
        if (!timer_autodetect_->isActive())
            timer_autodetect_->start();
    } else {
        timer_autodetect_->stop();
    }
}

// ------------------------------------------------------------------ view

void GroupPage::tree_changed() {
    filling_ = true;
    tree_view_->clear();
    QTreeWidgetItem* current = nullptr;
    std::function<void(TreeNode*, QTreeWidgetItem*)> add = [&](TreeNode* node,
                                                               QTreeWidgetItem* parent) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_view_);
        item->setText(0, qs(node->text));
        item->setIcon(0, tree_icon(node->image_index, node->selected_index));
        item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
        item->setData(0, Qt::UserRole + 1, node->image_index);
        if (node == tree_.selected)
            current = item;
        for (auto& c : node->children)
            add(c.get(), item);
    };
    for (auto& n : tree_.top)
        add(n.get(), nullptr);
    tree_view_->expandAll();
    if (current) {
        tree_view_->setCurrentItem(current);
        tree_view_->scrollToItem(current);
    }
    filling_ = false;
}

void GroupPage::focus_tree() {
    tree_view_->setFocus();
    if (auto* item = tree_view_->currentItem())
        tree_view_->scrollToItem(item);
}

void GroupPage::show_tree_box() {
    if (page_hooks.before_show_tree)
        page_hooks.before_show_tree();
    gb_tree_->show();
}

void GroupPage::show_loggers_box() {
    gb_loggers_->show();
}

void GroupPage::reset_logger_page() {
    filling_ = true;
    for (int n = 1; n <= max_loggers; ++n) {
        LoggerBox& b = boxes_[n];
        b.label->clear();
        b.id->clear();
        b.box->setTitle("LOG" + QString::number(n) + ":");
        b.image->clear();
        b.simage->clear();
        b.memo->clear();
        QPalette pal = b.memo->palette();
        pal.setColor(QPalette::Base, QColor(192, 192, 192));
        b.memo->setPalette(pal);
    }
    filling_ = false;
}

void GroupPage::clear_logger_fields() {
    filling_ = true;
    for (int n = 1; n <= max_loggers; ++n) {
        boxes_[n].label->clear();
        boxes_[n].id->clear();
        boxes_[n].image->clear();
        boxes_[n].simage->clear();
    }
    filling_ = false;
}

void GroupPage::clear_drawings() {
    for (int n = 1; n <= max_loggers; ++n) {
        boxes_[n].image->clear();
        boxes_[n].simage->clear();
    }
    if (page_hooks.clear_drawings)
        page_hooks.clear_drawings();
}

void GroupPage::corr_log_set2fields() {
    const auto& s = g_.corr_log_set;
    filling_ = true;
    for (int n = 1; n <= s.count && n <= max_loggers; ++n) {
        const auto& l = s.corr_log[n];
        if (l.ID <= 0)
            continue;
        LoggerBox& b = boxes_[n];
        b.id->setText(QString::number(l.ID));
        if (b.label->text() != qs(l.comment)) {
            b.label->setText(qs(l.comment));
            b.label->setCursorPosition(0);
        }
        b.box->show();
        b.gps->setIcon(position_icon(l.has_position()));
    }
    for (int n = std::max(s.count, 0) + 1; n <= max_loggers; ++n)
        boxes_[n].box->hide();
    QString caption = qs(s.comment);
    if (s.sync_time != 0)
        caption += ", " + QLocale::system().toString(local_time(s.sync_time + s.meas_delta),
                                                     QLocale::ShortFormat);
    gb_loggers_->setTitle(caption);
    if (page_hooks.window_caption)
        page_hooks.window_caption(QStringLiteral("TrevoPelquor, %1, ").arg(program_version) +
                                  caption);
    if (s.start >= 0 && s.start < 24)
        cb_start_->setCurrentIndex(s.start);
    if (s.stop >= 0 && s.stop < 24)
        cb_stop_->setCurrentIndex(s.stop);
    filling_ = false;
}

void GroupPage::set_meas_mode() {
    const auto& s = g_.corr_log_set;
    if (s.meas_mode == 1) {
        gb_night_->show();
        gb_inst_->hide();
        cb_start_->setEnabled(true);
        cb_stop_->setEnabled(true);
    } else if (s.meas_mode == 2) {
        gb_night_->hide();
        gb_inst_->show();
        cb_start_->setEnabled(false);
        cb_stop_->setEnabled(false);
        inst_label_->setText(QStringLiteral("+%1 min\n%2 × %3 s")
                                 .arg(s.meas_delta / 60)
                                 .arg(s.blocks)
                                 .arg(s.interval));
    } else {
        return;
    }
    if (page_hooks.meas_mode_shown)
        page_hooks.meas_mode_shown(s.meas_mode);
}

void GroupPage::show_group() {
    corr_log_set2fields();
    set_meas_mode();
    filling_ = true;
    if (memo3_->toPlainText() != qs(g_.notes))
        memo3_->setPlainText(qs(g_.notes));
    filling_ = false;
    range_changed();
    if (method_selector_) {
        // The load's own change of the method is no user's choice.
        const bool was = g_.reading_group_file;
        g_.reading_group_file = true;
        method_selector_->set_item_index_silent(g_.corr_log_set.c_mode);
        g_.reading_group_file = was;
    }
    if (page_hooks.group_loaded)
        page_hooks.group_loaded();
}

void GroupPage::display_wave(int slot) {
    if (page_hooks.display_wave)
        page_hooks.display_wave(slot);
}

void GroupPage::collection_changed() {
    const auto& c = g_.corr_std_grp;
    gb_logger_add_->setTitle(qs(c.comment));
    gb_loggers_->setTitle(qs(c.comment));
    const int row = list_->currentRow();
    list_->clear();
    for (const auto& r : std_group_rows(c))
        list_->addItem(qs(r));
    if (row >= 0 && row < list_->count())
        list_->setCurrentRow(row);
}

void GroupPage::show_collection(bool visible) {
    if (visible) {
        gb_logger_add_->show();
        gb_logger_add_->raise();
        if (detect_)
            detect_->panel_opened();
    } else {
        gb_logger_add_->hide();
    }
    sync_detection();
}

void GroupPage::show_ribbon(bool visible) {
    if (page_hooks.show_ribbon)
        page_hooks.show_ribbon(visible);
}

void GroupPage::easy_guide(const std::string& text) {
    if (page_hooks.easy_guide)
        page_hooks.easy_guide(qs(text));
}

void GroupPage::busy(bool on) {
    if (on && !busy_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busy_ = true;
    } else if (!on && busy_) {
        QApplication::restoreOverrideCursor();
        busy_ = false;
    }
}

void GroupPage::range_changed() {
    rg_range_->set_item_index_silent(g_.rg_range_item);
    rg_range_->setEnabled(workflow_->range_enabled);
}

} // namespace pelquor
