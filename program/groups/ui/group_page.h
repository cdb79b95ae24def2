// The group page: the archive tree box GB_tree, the logger boxes GB_1..GB_8
// inside GB_loggers, notes Memo3, the recording settings GB_night/GB_inst,
// the range selector RG_range and the logger-collection panel GB_logger_add.
// The main window hosts one GroupPage as the content of work page 4.
#pragma once

#include "groups/archive_workflow.h"

#include <QGroupBox>
#include <QTreeWidget>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;
class QVBoxLayout;

namespace pelquor {

class RadioGroup;

// The tree view bsSkinTreeView1: read-only, no drag; tells the page when
// the left button is released and when the context menu is asked for.
class ArchiveTreeView : public QTreeWidget {
    Q_OBJECT
  public:
    explicit ArchiveTreeView(QWidget* parent = nullptr);
  signals:
    void leftReleased();
    void contextAsked(QTreeWidgetItem* item, const QPoint& global_pos);

  protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
};

// One logger slot GB_n.
struct LoggerBox {
    QGroupBox* box = nullptr;        // GB_n
    QLineEdit* id = nullptr;         // LID_n
    QLineEdit* label = nullptr;      // LC_n
    QToolButton* remove = nullptr;   // n3_del_n
    QToolButton* gps = nullptr;      // gps_n
    QToolButton* gps_edit = nullptr; // bsSkinButtonLabel11, 15, 16, 35, 39, 47, 50, 51
    QToolButton* play = nullptr;     // bsSkinButtonLabel37, 41, .. 65
    QToolButton* import = nullptr;   // bsSkinButtonLabel36, 40, .. 64 (developer mode)
    QPlainTextEdit* memo = nullptr;  // M_n
    QLabel* image = nullptr;         // log_imagen
    QLabel* simage = nullptr;        // log_simagen
};

// What the page hands to the main window and other subsystems.
struct GroupPageHooks {
    // set_meas_mode's part outside the page: the clock timer, SL_at/SL_in and
    // the meas_delta buttons (mode 1 night, 2 instant).
    std::function<void(int meas_mode)> meas_mode_shown;
    // The window caption after a group is shown: "TrevoPelquor, 1.54, " + caption.
    std::function<void(const QString& caption)> window_caption;
    std::function<void(bool visible)> show_ribbon;
    std::function<void(const QString& text)> easy_guide;
    // show_tree: close GB_single, hide GB_correlations and EP_comm.
    std::function<void()> before_show_tree;
    std::function<void(int slot)> display_wave; // Part of the level analysis view
    std::function<void()> clear_drawings;
    std::function<void()> group_loaded; // after every load (SL_at, prog_state, map ...)
    // Logger slot buttons that belong to other subsystems.
    std::function<void(int slot)> position_clicked;      // gps_n
    std::function<void(int slot)> position_edit_clicked; // bsSkinButtonLabel11 ..
    std::function<void(int slot)> play_clicked;          // bsSkinButtonLabel37 ..
    std::function<void(int slot)> import_clicked;        // bsSkinButtonLabel36 ..
};

class GroupPage : public QWidget, public ArchiveView {
    Q_OBJECT
  public:
    // source may be null: no radio, automatic detection stays disabled.
    GroupPage(GroupState& g, Settings& settings, const LangTexts& texts, Dialogs& dialogs,
              AnnouncementSource* source, QWidget* parent = nullptr);
    ~GroupPage() override;

    GroupPageHooks page_hooks;
    ArchiveWorkflow& workflow() { return *workflow_; }
    ArchiveTree& tree_model() { return tree_; }
    AutoDetect* detection() { return detect_.get(); }
    void set_announcement_source(AnnouncementSource* source);
    // The correlation method selector lives on the ribbon; the page selects
    // its item when a group is shown.
    void attach_method_selector(RadioGroup* selector) { method_selector_ = selector; }
    // The correlation results box shares the tree's place.
    void add_correlations_box(QWidget* box);
    const LoggerBox& logger_box(int slot) const { return boxes_.at(slot); }
    void show_dev_functions(); // developer import buttons visible

    // Workflow entry points, by the names the window knows.
    void setup_tree_structure() { workflow_->setup_tree_structure(); }
    void show_tree() { workflow_->show_tree(); }
    void recall_last_node(const std::string& text) { workflow_->recall_last_node(text); }
    void select_node(const std::string& text) { workflow_->select_node(text); }
    void load_logger_set() { workflow_->load_logger_set(); }
    void corr_log_set2fields();
    void set_meas_mode();
    void format_TS_corrlog();
    // bsSkinRadioGroup3: c_mode := item and save; ignored while a group file is read.
    void correlation_method_click(int item) { workflow_->correlation_method_click(item); }

    // Handlers (public so that the main window and tests can run them).
    void bsSkinTreeView1MouseUp();
    void PopupMenu1Popup();
    void Delete1Click() { workflow_->delete_selected(); }
    void newmeasurement1Click() { workflow_->copy_actual_set(); }
    void add1Click() { workflow_->add_folder(); }
    void set1Click();
    void bsSkinButtonLabel28Click();
    void bsSkinButtonLabel71Click() { workflow_->add_logger(); }
    void bsSkinButtonLabel72Click();
    void bsSkinButtonLabel2Click();
    void bsSkinButtonLabel74Click() { workflow_->rename_collection(); }
    void bsSkinButtonLabel73Click();
    void n3_del_1Click(int slot) { workflow_->delete_n3(slot); }
    void CB_autodetectClick(bool checked);
    void timer_autodetectTimer();
    void RG_rangeClick(int item) { workflow_->rg_range_click(item); }
    // Another radio operation ended announcement listening.
    void listening_ended();

    // ArchiveView
    void tree_changed() override;
    void focus_tree() override;
    void show_tree_box() override;
    void show_loggers_box() override;
    void reset_logger_page() override;
    void clear_logger_fields() override;
    void clear_drawings() override;
    void show_group() override;
    void display_wave(int slot) override;
    void collection_changed() override;
    void show_collection(bool visible) override;
    void show_ribbon(bool visible) override;
    void easy_guide(const std::string& text) override;
    void busy(bool on) override;
    void range_changed() override;

  private:
    GroupState& g_;
    const LangTexts& texts_;
    Dialogs& dialogs_;
    ArchiveTree tree_;
    std::unique_ptr<ArchiveWorkflow> workflow_;
    std::unique_ptr<AutoDetect> detect_;
    AnnouncementSource* source_ = nullptr;
    RadioGroup* method_selector_ = nullptr;
    bool filling_ = false; // fields are being filled from the model
    bool busy_ = false;

    QGroupBox* gb_tree_ = nullptr;
    ArchiveTreeView* tree_view_ = nullptr;
    QLineEdit* edit2_ = nullptr;
    QMenu* popup_ = nullptr;
    QAction* delete1_ = nullptr;
    QAction* new_measurement1_ = nullptr;
    QAction* add1_ = nullptr;
    QAction* set1_ = nullptr;
    QVBoxLayout* side_ = nullptr;

    QGroupBox* gb_loggers_ = nullptr;
    std::array<LoggerBox, max_loggers + 1> boxes_{};
    QGroupBox* gb_night_ = nullptr;
    QComboBox* cb_start_ = nullptr;
    QComboBox* cb_stop_ = nullptr;
    QGroupBox* gb_inst_ = nullptr;
    QLabel* inst_label_ = nullptr;
    RadioGroup* rg_range_ = nullptr;
    QPlainTextEdit* memo3_ = nullptr;

    QGroupBox* gb_logger_add_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* add_button_ = nullptr;        // bsSkinButtonLabel71
    QPushButton* remove_button_ = nullptr;     // bsSkinButtonLabel72
    QPushButton* remove_all_button_ = nullptr; // bsSkinButtonLabel2
    QPushButton* rename_button_ = nullptr;     // bsSkinButtonLabel74
    QPushButton* ok_button_ = nullptr;         // bsSkinButtonLabel73
    QCheckBox* cb_autodetect_ = nullptr;
    QLabel* image7_ = nullptr;
    QTimer* timer_autodetect_ = nullptr;

    void build_tree_box();
    void build_loggers_box();
    void build_collection_panel();
    TreeNode* node_of(QTreeWidgetItem* item) const;
    void sync_detection();
    int selected_row() const;
};

} // namespace pelquor
