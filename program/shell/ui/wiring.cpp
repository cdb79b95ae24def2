#include "shell/ui/wiring.h"

#include "analysis/levels.h"
#include "groups/group_file.h"
#include "groups/ui/group_page.h"
#include "radio/download.h"
#include "radio/logger_ops.h"
#include "radio/recording.h"
#include "shell/files.h"
#include "shell/ini_file.h"
#include "shell/ui/main_window.h"
#include "shell/ui/radio_group.h"
#include "shell/ui/ribbon.h"
#include "shell/ui/tags.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSoundEffect>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace pelquor {

namespace {

QColor qcolor(Tcolor c) {
    return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
}
QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// Result LED colours: green, yellow, red.
QColor qf_color(int qf) {
    switch (qf) {
    case 3:
        return QColor(0, 150, 0);
    case 2:
        return QColor(200, 160, 0);
    default:
        return QColor(200, 0, 0);
    }
}

// Columns and rows of the small pair images for N loggers.
std::pair<int, int> canvas_grid(int n) {
    switch (n) {
    case 3:
        return {1, 3};
    case 4:
        return {2, 3};
    case 5:
        return {2, 5};
    case 6:
        return {3, 5};
    case 7:
        return {3, 7};
    case 8:
        return {4, 7};
    default:
        return {1, 1};
    }
}

} // namespace

template <class F> bool ProgramWiring::guarded(F&& f) {
    try {
        f();
        return true;
    } catch (const RecordingError& e) {
        w_.dialogs().error(e.what());
    } catch (const GroupFileError& e) {
        w_.dialogs().error(e.what());
    } catch (const ConversionError& e) {
        w_.dialogs().error(e.message);
    } catch (const std::exception& e) {
        w_.dialogs().error(e.what());
    }
    return false;
}

ProgramWiring::ProgramWiring(TForm1& form)
    : QObject(&form), w_(form), cs_(std::make_unique<CorrelationState>()) {
    auto& st = w_.state();
    radio_ = std::unique_ptr<RadioContext>(new RadioContext{st.radio,
                                                            st.group,
                                                            st.texts,
                                                            w_.dialogs(),
                                                            w_.progress(),
                                                            w_.clock(),
                                                            with_separator(st.settings.data_dir),
                                                            {}});
    announcements_ = std::make_unique<RadioAnnouncements>(*radio_);
    page_ = new GroupPage(st.group, st.settings, st.texts, w_.dialogs(), announcements_.get());
    w_.set_work_page(page_group, page_);
    if (auto* method = w_.findChild<RadioGroup*>("bsSkinRadioGroup3"))
        page_->attach_method_selector(method);
    pipes_.tolerance = st.settings.tolerance;
    sound_ = new QSoundEffect(this);
    sound_->setLoopCount(QSoundEffect::Infinite);
    build_correlations_box();
    wire_page();
    wire_radio();
}

ProgramWiring::~ProgramWiring() = default;

std::string ProgramWiring::folder() const {
    const auto& st = w_.state();
    return group_folder(st.settings.data_dir, st.group.corr_log_set.tree_path);
}

RunEnv ProgramWiring::run_env() {
    auto& st = w_.state();
    pipes_.tolerance = st.settings.tolerance;
    RunEnv env{st.group, *cs_, pipes_, run_, st.units, st.texts, folder(), st.settings.m_unit == 1};
    env.on_pair = [this](int corr_inx) { draw_small(corr_inx); };
    return env;
}

void ProgramWiring::wire_page() {
    auto& h = w_.hooks();
    h.setup_archive = [this] { page_->setup_tree_structure(); };
    h.recall_last_node = [this] { page_->recall_last_node(w_.state().settings.last_node); };
    h.save_group = [this] { page_->workflow().save(); };
    h.layout_corrlog = [this] { page_->format_TS_corrlog(); };
    h.correlate = [this] { correlate(); };
    w_.set_command("bsSkinButtonLabel67", [this] { correlate(); });
    w_.set_command("bsSkinButtonLabel70", [this] {
        w_.show_work_page(page_group);
        page_->show_tree();
    });
    // A user's choice of method correlates again; the load's own does not.
    w_.set_command("bsSkinRadioGroup3", [this] {
        if (!w_.state().group.group_not_loaded && gb_correlations_->isVisible())
            correlate();
    });

    auto& ph = page_->page_hooks;
    ph.show_ribbon = [this](bool v) { w_.ribbon()->setVisible(v); };
    ph.window_caption = [this](const QString& c) { w_.setWindowTitle(c); };
    ph.easy_guide = [this](const QString& t) { w_.progress().show_easy_guide(0, t.toStdString()); };
    ph.meas_mode_shown = [this](int mode) { w_.set_clock_running(mode == 2); };
    ph.before_show_tree = [this] { gb_correlations_->hide(); };
    ph.display_wave = [this](int slot) { display_wave(slot); };
    ph.play_clicked = [this](int slot) { play_logger(slot); };
    page_->workflow().hooks.level_analysis = [this](const std::string& f) { level_analysis(f); };
    page_->add_correlations_box(gb_correlations_);
}

void ProgramWiring::wire_radio() {
    RadioHooks& r = radio_->hooks;
    r.save_group = [this] { return page_->workflow().save(); };
    r.reload_group = [this] { page_->load_logger_set(); };
    r.remove_logger = [this](int k) { page_->workflow().delete_n3(k); };
    r.countdown = [this](int phase, int seconds) {
        if (phase == 0)
            w_.stop_countdown();
        else
            w_.start_countdown(phase, seconds);
    };
    r.listening_ended = [this] { page_->listening_ended(); };
    r.range_selector_changed = [this](int item) { page_->workflow().select_range_item(item); };
    r.range_selector_enabled = [this](bool on) {
        page_->workflow().range_enabled = on;
        page_->range_changed();
    };
    auto radio_op = [this](auto op) { return [this, op] { guarded([&] { op(*radio_); }); }; };
    w_.set_command("bsSkinButtonLabel69",
                   radio_op([](RadioContext& c) { logger_programmieren(c); }));
    w_.set_command("bsSkinButtonLabel43", radio_op([](RadioContext& c) { reset_loggers(c); }));
    w_.set_command("bsSkinButtonLabel68", radio_op([](RadioContext& c) { read_group(c); }));
    w_.hooks().radio_present = [this] { return check_radio_interface(*radio_) == 0; };
}

// ------------------------------------------------------------ level analysis

void ProgramWiring::level_analysis(const std::string& group_folder) {
    guarded([&] { audio_analysis(*cs_, w_.state().group, group_folder); });
}

void ProgramWiring::display_wave(int slot) {
    auto& st = w_.state();
    auto& g = st.group;
    WaveDisplay shown;
    if (!guarded([&] { shown = pelquor::display_wave(*cs_, g, folder(), slot); }) || !shown.shown)
        return;
    const LoggerBox& box = page_->logger_box(slot);
    const Tcorr_log& log = g.corr_log_set.corr_log[slot];
    box.box->setTitle(QString::number(slot) + ": " + qs(shown.file_name));

    // Time signal: full scale of a sample spans half the height each way.
    const int tw = std::max(box.image->width(), 160), th = std::max(box.image->height(), 60);
    QImage time(tw, th, QImage::Format_RGB32);
    time.fill(qcolor(st.colors.time_back));
    {
        QPainter p(&time);
        p.setPen(QColor(192, 192, 192));
        const float* w = cs_->wave_samples.data();
        QPointF last(1, th / 2 - w[0] * th / 65536.0);
        for (int i = 1; i <= 16384; ++i) {
            QPointF next(i * double(tw) / 16384,
                         th / 2 - w[std::min(i, wave_samples_len - 1)] * th / 65536.0);
            p.drawLine(last, next);
            last = next;
        }
    }
    box.image->setPixmap(QPixmap::fromImage(time));

    // Spectrum of the recording, scaled to its largest bin, with the marker.
    const int sw = std::max(box.simage->width(), 160), sh = std::max(box.simage->height(), 60);
    QImage spec(sw, sh, QImage::Format_RGB32);
    spec.fill(qcolor(st.colors.coherence_back));
    {
        QPainter p(&spec);
        const auto& a = cs_->spec_a_abs;
        const int bins = std::min<int>(8192, static_cast<int>(a.size()));
        float top = 0;
        for (int i = 1; i < bins; ++i)
            top = std::max(top, a[i]);
        p.setPen(qcolor(st.colors.coherence_front));
        if (top > 0)
            for (int x = 0; x < sw; ++x) {
                int b0 = x * bins / sw, b1 = std::max(b0 + 1, (x + 1) * bins / sw);
                float v = 0;
                for (int b = b0; b < b1 && b < bins; ++b)
                    v = std::max(v, a[b]);
                p.drawLine(x, sh - 1, x, sh - 1 - static_cast<int>(v / top * (sh - 4)));
            }
        p.setPen(Qt::red);
        const int mx = shown.bin * sw / std::max(bins, 1);
        p.drawLine(mx, 0, mx, sh);
    }
    box.simage->setPixmap(QPixmap::fromImage(spec));

    QPalette pal = box.memo->palette();
    pal.setColor(QPalette::Base, qcolor(log.color));
    pal.setColor(QPalette::Text, Qt::white);
    box.memo->setPalette(pal);
    box.memo->setPlainText(
        QString("ESA: %1\nL: %2db\nF: %3Hz").arg(log.esa).arg(log.level).arg(log.frequency));
}

void ProgramWiring::play_logger(int slot) {
    if (slot == playing_logger_) {
        sound_->stop();
        playing_logger_ = 0;
        return;
    }
    const auto& set = w_.state().group.corr_log_set;
    const Tcorr_log& log = set.corr_log[slot];
    const int block = std::clamp(log.lowest_block, 1, max_blocks);
    const std::string file =
        folder() + recording_file_name(log.ID, block_number_of(set.meas_mode, block));
    sound_->stop();
    playing_logger_ = slot;
    if (file_exists(file)) {
        sound_->setSource(QUrl::fromLocalFile(qs(file)));
        sound_->play();
    }
}

// ------------------------------------------------------------- correlation

void ProgramWiring::build_correlations_box() {
    gb_correlations_ = new QGroupBox;
    gb_correlations_->setObjectName("GB_correlations");
    set_tag(gb_correlations_, 226);
    auto* lay = new QVBoxLayout(gb_correlations_);
    auto* grid_host = new QWidget;
    grid_host->setObjectName("I_lcor_grid");
    auto* grid = new QGridLayout(grid_host);
    grid->setSpacing(3);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int k = 1; k <= max_pairs; ++k) {
        small_[k] = new QLabel;
        small_[k]->setObjectName(QString("I_lcor%1").arg(k));
        small_[k]->setMinimumSize(60, 40);
        small_[k]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        small_[k]->hide();
    }
    lay->addWidget(grid_host, 3);
    results_ = new QListWidget;
    results_->setObjectName("EP_corr_results");
    results_->setMinimumHeight(120);
    results_->setWordWrap(true);
    results_->setResizeMode(QListView::Adjust);
    results_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lay->addWidget(results_, 2);
    gb_correlations_->hide();
}

void ProgramWiring::init_canvas() {
    auto* grid =
        static_cast<QGridLayout*>(gb_correlations_->findChild<QWidget*>("I_lcor_grid")->layout());
    const int n = w_.state().group.corr_log_set.count;
    auto [cols, rows] = canvas_grid(n);
    for (int k = 1; k <= max_pairs; ++k) {
        grid->removeWidget(small_[k]);
        small_[k]->clear();
        small_[k]->hide();
    }
    const int pairs = pair_count(n);
    for (int k = 1; k <= pairs && k <= cols * rows; ++k) {
        grid->addWidget(small_[k], (k - 1) / cols, (k - 1) % cols);
        small_[k]->show();
    }
}

void ProgramWiring::draw_small(int corr_inx) {
    if (corr_inx < 1 || corr_inx > max_pairs)
        return;
    const auto& st = w_.state();
    const Tcorr_comb& c = st.group.corr_comb[corr_inx];
    QLabel* img = small_[corr_inx];
    const int w = std::max(img->width(), 120), h = std::max(img->height(), 60);
    QImage pic(w, h, QImage::Format_RGB32);
    pic.fill(qcolor(st.colors.correlation_back));
    QPainter p(&pic);
    const auto& norm = cs_->corr_norm;
    if (!norm.empty()) {
        p.setPen(qcolor(st.colors.correlation_front));
        const int n = static_cast<int>(norm.size());
        for (int x = 0; x < w; ++x) {
            int i0 = x * n / w, i1 = std::max(i0 + 1, (x + 1) * n / w);
            float v = 0;
            for (int i = i0; i < i1 && i < n; ++i)
                v = std::max(v, norm[i]);
            p.drawLine(x, h - 1, x, h - 1 - static_cast<int>(v / 16384.0f * (h - 14)));
        }
        p.setPen(Qt::red);
        const int mx = cs_->peak_index * w / std::max(n, 1);
        p.drawLine(mx, 12, mx, h);
    }
    QFont f = p.font();
    f.setPointSize(7);
    p.setFont(f);
    p.fillRect(0, 0, w, 12, Qt::black);
    p.setPen(Qt::white);
    // Logger numbers at the ends, the delay in the middle, coloured by class.
    p.drawText(2, 10, QString::number(c.lo1_index));
    p.drawText(w - 10, 10, QString::number(c.lo2_index));
    p.setPen(qf_color(c.qf));
    f.setPointSize(8);
    f.setBold(true);
    p.setFont(f);
    const QString delay = c.qf == 0 ? QString("xxx") : qs(decimal_correct(c.dt)) + "ms";
    p.drawText(QRect(0, 0, w, 12), Qt::AlignHCenter | Qt::AlignVCenter, delay);
    p.end();
    img->setPixmap(QPixmap::fromImage(pic));
}

void ProgramWiring::show_results() {
    results_->clear();
    for (const ResultRow& row : setup_EP_corr_results(w_.state().group, run_.corr_index)) {
        auto* item = new QListWidgetItem(qs(row.text));
        QPixmap led(12, 12);
        led.fill(Qt::transparent);
        QPainter p(&led);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(qf_color(row.qf));
        p.setPen(Qt::black);
        p.drawEllipse(1, 1, 10, 10);
        p.end();
        item->setIcon(QIcon(led));
        item->setData(Qt::UserRole, row.result);
        item->setToolTip(qs(row.text));
        results_->addItem(item);
    }
}

void ProgramWiring::correlate() {
    auto& st = w_.state();
    if (st.group.corr_log_set.count < 2 || st.group.group_not_loaded)
        return;
    page_->load_logger_set();
    if (st.group.group_not_loaded)
        return;
    w_.show_work_page(page_group);
    if (auto* tree = page_->findChild<QWidget*>("GB_tree"))
        tree->hide();
    gb_correlations_->show();
    init_canvas();
    std::string warning;
    RunEnv env = run_env();
    if (!guarded([&] { warning = correlate_all(env); }))
        return;
    show_results();
    if (!warning.empty())
        w_.dialogs().error(warning);
}

} // namespace pelquor
