// TForm1, the main window: the ribbon with its four command pages above the
// five work pages, the clock, the countdown, the status line and the shared
// dialogs. The other subsystems plug their pages into it (set_work_page)
// and their operations into its commands (set_command, hooks).
#pragma once

#include "groups/group_model.h"
#include "pipes/material_table.h"
#include "radio/radio_link.h"
#include "shell/colortable.h"
#include "shell/language.h"
#include "shell/settings.h"
#include "shell/ui/qt_seams.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class QComboBox;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolButton;

namespace pelquor {

class Ribbon;
class RibbonGroup;
class RadioGroup;
class TPopUp;
class TF_input;
class TYesNoForm;

// The program-wide objects the window owns for the whole run.
struct ShellState {
    Folders folders;
    Settings settings;
    LangTexts texts;
    ColorTable colors;
    GroupState group;
    Tmat_table mat_table;
    UnitState units;
    RadioState radio;
};

// Work pages of bsSkinPageControl1.
enum WorkPage {
    page_correlation = 0,
    page_pipe = 1,
    page_map = 2,
    page_options = 3,
    page_group = 4
};
// Ribbon tabs of bsRibbon1.
enum RibbonTab { tab_main = 0, tab_map = 1, tab_options = 2, tab_analysis = 3 };

// Operations of other subsystems the window runs at fixed points of its
// workflow. Unset hooks are skipped.
struct ShellHooks {
    std::function<void()> save_group;          // write the open group (corr_log_set_save_ini)
    std::function<void()> correlate;           // correlate all pairs again
    std::function<void()> map_init;            // karteerstellen_init
    std::function<void()> set_units;           // unit texts and limits after m_unit changed
    std::function<void()> load_materials;      // material tables of the language
    std::function<void()> setup_archive;       // setup_tree_structure + rebuild the tree
    std::function<void()> recall_last_node;    // select last_node and load its group
    std::function<void()> layout_corrlog;      // logger boxes of the group page
    std::function<void()> setup_images;        // rebuild the plot pictures after new colours
    std::function<void()> reset_all;           // reset of the correlation display
    std::function<void()> print_corr;          // correlation report
    std::function<void()> print_map;           // map report
    std::function<bool()> radio_present;       // presence check of the radio interface
    std::function<void(int)> import_recording; // developer import for logger slot 1..8
};

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    ShellState& state() { return state_; }
    ShellHooks& hooks() { return hooks_; }

    // Seams; the window's own Qt implementations unless replaced (tests).
    Dialogs& dialogs() { return *dialogs_; }
    void set_dialogs(Dialogs* d);
    Progress& progress();
    void set_progress(Progress* p) { progress_override_ = p; }
    const Clock& clock() const { return *time_source_; }
    void set_clock(const Clock* c);
    QtDialogs& qt_dialogs() { return *qt_dialogs_; }

    // Creation: folders, settings, language, version check, first layout.
    void FormCreate(const std::string& shipped_config);
    // The start form's OK: materials, texts, look, archive and last group.
    void start_form_ok();

    // Work pages. set_work_page puts content into page index (0..4),
    // replacing what was there; the page keeps its objectName.
    void set_work_page(int index, QWidget* content);
    QWidget* work_page(int index) const;
    int current_work_page() const;
    void show_work_page(int index);
    QTabWidget* page_control() const { return page_control_; }
    Ribbon* ribbon() const { return ribbon_; }

    // A ribbon or options command's operation, by control name. Commands
    // without one say what is missing.
    void set_command(const QString& control, std::function<void()> fn);
    bool has_command(const QString& control) const { return commands_.contains(control); }

    // Language.
    void load_language();
    void apply_language();
    void register_window(QWidget* w);
    QString lang_text(int n) const;
    void set_text();
    void set_hints();
    bool my_dialog(const QString& button_ok, const QString& button_ca, const QString& text);

    // Layout and look.
    void format_TS_main();
    void format_TS_corrlog();
    void skin_refresh();
    void apply_skin(int index);
    void Timer3Timer();
    // The correlation page's splitter below the coherence plot moved; only
    // every second move counts (the height of Panel2 becomes coh_height).
    void bsSkinSplitter2Moved(int panel2_height);

    // Ribbon pages.
    void bsRibbon1ChangePage(int index);
    void show_analysis_tab();

    // Clock and countdown.
    void clockTimer();
    // The clock runs only in instant mode; its ribbon block shows meanwhile.
    void set_clock_running(bool on);
    void sec_timerTimer();
    void start_countdown(int phase, int seconds);
    void shutoff_counter();
    void stop_countdown();
    int countdown_phase() const { return countdown_phase_; }
    int countdown_remaining() const { return countdown_remaining_; }
    QTimer* clock_timer() const { return clock_; }
    QTimer* sec_timer() const { return sec_timer_; }
    QTimer* timer3() const { return timer3_; }
    void meas_delta_plus();
    void meas_delta_minus();

    // Status line, help, input, developer mode.
    void set_status_bar(Tcolor back, Tcolor front, const QString& text);
    void reset_status_bar();
    QString help_file() const;
    void show_help();
    bool get_input(const QString& i_label, QString& val, const QString& format);
    void show_dev_functions();
    bool dev_mode() const { return dev_mode_; }
    void print_window();

    TPopUp* popup() const { return popup_; }
    TF_input* input_form() const { return input_; }
    TYesNoForm* yes_no_form() const { return yes_no_; }

    // Command handlers of the ribbon, named after their controls.
    void bsSkinButtonLabel67Click(); // correlate
    void bsSkinButtonLabel68Click(); // read
    void bsSkinButtonLabel69Click(); // program
    void bsSkinButtonLabel70Click(); // folder
    void bsSkinButtonLabel46Click(); // pinpoint
    void bsSkinButtonLabel43Click(); // reset
    void bsSkinButtonLabel54Click(); // filter optimisation
    void bsSkinRadioGroup3Click(int item);
    void bsSkinButtonLabel26Click(); // map picture
    void bsSkinButtonLabel22Click(); // discard map
    void bsSkinButtonLabel23Click(); // delete pipe mode
    void bsSkinButtonLabel25Click(); // GPS placing
    void bsSkinButtonLabel4Click();  // positions from server
    void bsSkinButtonLabel76Click(); // new pipe mode
    void bsSkinButtonLabel13Click(); // velocity assistant
    void bsSkinButtonLabel27Click(); // pair mode
    void bsSkinButtonLabel5Click();  // highlight
    void bsSkinButtonLabel34Click(); // live position
    void bsSkinButtonLabel8Click();  // filter analysis
    void bsSkinButtonLabel10Click(); // velocity request
    void bsSkinButtonLabel9Click();  // zoom
    void bsSkinButtonLabel12Click(); // pipe zoom
    void bsSkinButtonLabel21Click(); // pipe table

  protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

  private:
    ShellState state_;
    ShellHooks hooks_;
    std::unique_ptr<QtDialogs> qt_dialogs_;
    Dialogs* dialogs_;
    Progress* progress_override_ = nullptr;
    std::unique_ptr<QtClock> qt_clock_;
    const Clock* time_source_;

    Ribbon* ribbon_ = nullptr;
    QTabWidget* page_control_ = nullptr;
    std::array<QWidget*, 5> placeholders_{};
    QLabel* status_line_ = nullptr;
    TPopUp* popup_ = nullptr;
    TF_input* input_ = nullptr;
    TYesNoForm* yes_no_ = nullptr;
    QList<QPointer<QWidget>> windows_;
    QHash<QString, std::function<void()>> commands_;

    // Main ribbon page.
    RadioGroup* rg_click_ = nullptr;  // bsSkinRadioGroup2
    RadioGroup* rg_method_ = nullptr; // bsSkinRadioGroup3
    QLabel* sl_time_ = nullptr;
    QLabel* sl_at_ = nullptr;
    QLabel* sl_in_ = nullptr;
    QLabel* act_time_ = nullptr; // bsSkinStdLabel30
    QToolButton* delta_plus_ = nullptr;
    QToolButton* delta_minus_ = nullptr;
    std::array<QFrame*, 3> count_panels_{};
    std::array<QLabel*, 3> count_phase_{};
    std::array<QLabel*, 3> count_time_{};

    // Options page.
    QLineEdit* label_edit_ = nullptr;  // bsSkinEdit2
    QListWidget* logo_list_ = nullptr; // bsSkinFileListBox1
    QLabel* logo_ = nullptr;           // Image19
    RadioGroup* rg_units_ = nullptr;   // bsSkinRadioGroup1
    QComboBox* looks_ = nullptr;       // bsSkinComboBox7
    RadioGroup* rg_maptype_ = nullptr; // RG_maptype
    QPlainTextEdit* ports_ = nullptr;  // Memo5
    QLabel* port_label_ = nullptr;
    QLineEdit* id_edit_ = nullptr;
    QCheckBox* cb_lines_ = nullptr;
    QCheckBox* cb_easygo_ = nullptr;
    QCheckBox* cb_10audio_ = nullptr;

    QTimer* timer3_ = nullptr;
    QTimer* clock_ = nullptr;
    QTimer* sec_timer_ = nullptr;

    int countdown_phase_ = 0;
    int countdown_remaining_ = 0;
    int previous_page_ = page_group;
    bool main_formatted_ = false;
    bool dev_mode_ = false;
    bool looks_filling_ = false;
    int splitter_moves_ = 0;

    QWidget* build_main_tab();
    QWidget* build_map_tab();
    QWidget* build_options_tab();
    QWidget* build_analysis_tab();
    QWidget* build_options_page();
    QWidget* placeholder(int index);
    QFrame* build_countdown_panel(int n);
    // A ribbon command button in group g that runs fn.
    QToolButton* add_command(RibbonGroup* g, const char* name, const char* caption, int tag,
                             const QIcon& icon, void (TForm1::*fn)());
    void run_command(const QString& control, bool radio);
    void load_logo(const QString& file);
    void fill_logo_list();
    void load_settings_into_controls();
    QString time_text(uint32_t local_epoch) const;
    void show_countdown_panels(bool visible);
};

} // namespace pelquor
