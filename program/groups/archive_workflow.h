// The archive and group-making workflow behind the group page: the tree
// commands, the first start, the logger collection and the removal of a
// logger. Dialogs go through the Dialogs seam; what the page must show is
// told to an ArchiveView, so the whole workflow runs without a window.
#pragma once

#include "groups/archive_tree.h"
#include "groups/group_file.h"
#include "groups/group_model.h"
#include "shell/language.h"
#include "shell/seams.h"
#include "shell/settings.h"

#include <cstdint>
#include <string>

namespace pelquor {

// What the page does when the workflow changes the group or the tree.
class ArchiveView {
  public:
    virtual ~ArchiveView() = default;
    virtual void tree_changed() {}  // redraw the tree from the model, keep the selection
    virtual void focus_tree() {}    // give the tree the input focus
    virtual void show_tree_box() {} // close GB_single, hide GB_correlations/EP_comm, show GB_tree
    virtual void show_loggers_box() {}    // show GB_loggers
    virtual void reset_logger_page() {}   // empty LC_n, LID_n, captions, pictures, M_n
    virtual void clear_logger_fields() {} // empty LC_n, LID_n and the pictures only
    virtual void clear_drawings() {}
    virtual void show_group() {} // corr_log_set2fields + set_meas_mode + selectors + notes
    virtual void display_wave(int /*slot*/) {}
    virtual void collection_changed() {} // list rows and captions of the collection
    virtual void show_collection(bool /*visible*/) {}
    virtual void show_ribbon(bool /*visible*/) {}
    virtual void easy_guide(const std::string& /*text*/) {}
    virtual void busy(bool /*on*/) {}
    virtual void range_changed() {} // RG_range item or enabling changed
};

// Announcement listening of the radio interface, as the detection needs it.
class AnnouncementSource {
  public:
    virtual ~AnnouncementSource() = default;
    virtual bool present() = 0;  // presence check of the radio interface
    virtual bool start() = 0;    // start listening; false when the device cannot be opened
    virtual uint32_t read() = 0; // one announcement: 24-bit logger address, or 0
    virtual void stop() = 0;     // end listening
};

struct MenuEnabling {
    bool delete_item = true;
    bool new_measurement = false;
    bool add = false;
    bool set = false;
};

enum class AutoAdd { ignored, added, refused, declined, full };

class ArchiveWorkflow {
  public:
    ArchiveWorkflow(GroupState& g, ArchiveTree& tree, Settings& settings, const LangTexts& texts,
                    Dialogs& dialogs, ArchiveView& view);

    // Other subsystems' parts of a load (sketch symbols, level analysis).
    LoadHooks hooks;
    std::string first_group_folder;
    int last_refused_id = 0;
    bool collecting = false;    // GB_logger_add open
    bool range_enabled = false; // RG_range enabled

    const std::string& data_folder() const { return settings_.data_dir; }
    std::string lang(int n) const;

    // --- tree ---
    void setup_tree_structure();
    void show_tree();
    void recall_last_node(const std::string& nodetext);
    void select_node(const std::string& nodetext);
    // The group of the selected node into corr_log_set and the page.
    void load_logger_set();
    MenuEnabling menu_enabling() const;
    void delete_selected();                    // "Delete"
    void add_folder();                         // "add"
    void set_group();                          // "set"
    void copy_actual_set();                    // "new measurement"
    bool search(const std::string& text);      // "suchen"
    void select_right_clicked(TreeNode* node); // right button before the menu

    // Creates name below parent on disk and in the tree. Refuses unsafe names
    // and names already taken; null with a message then.
    TreeNode* add_child_folder(TreeNode* parent, const std::string& name);
    TreeNode* add_sibling_folder(const std::string& name);

    // --- collection ---
    void start_collection(const std::string& name);
    bool assign_std_grp();
    bool reassign_std_grp();
    void add_logger(); // "loggerhinzu"
    AutoAdd add_logger_auto(uint32_t address);
    void remove_collected(int row);     // "loggerlöschen", row 1-based, 0 = none
    void remove_all_collected(int row); // "alleloggerlöschen"
    void rename_collection();           // "gruppenname"
    // "ok": false when the collection stays open (unusable group name).
    bool confirm_collection();
    void create_new_logger_set();
    void parse_corr_std_grp();

    // --- group page ---
    void rg_range_click(int item);
    // Selecting from code: a click only when the item changes.
    void select_range_item(int item);
    void correlation_method_click(int item); // bsSkinRadioGroup3
    // Start hour chosen: the next hour becomes the stop hour; 23 wraps to 0.
    void start_hour_chosen(int hour);
    void stop_hour_chosen(int hour);
    void label_edited(int slot, const std::string& text);
    void notes_edited(const std::string& notes);
    void meas_delta_plus();
    void meas_delta_minus();
    void delete_n3(int k);

    // corr_log_set_save_ini with failures reported.
    bool save();

  private:
    GroupState& g_;
    ArchiveTree& tree_;
    Settings& settings_;
    const LangTexts& texts_;
    Dialogs& dialogs_;
    ArchiveView& view_;

    bool make_folder(const std::string& tree_path);
    // The plain folder a new group goes into (the first start's folder while
    // the first group is pending); null on a group node or without selection.
    TreeNode* new_group_parent();
    bool checked_name(const std::string& name);
    void add_collected(int32_t id);
};

// Night recording: the hour after start; 23 wraps to 0 (recording over midnight).
int stop_hour_after(int start);

// Removes pipe slot i: later pipes move down, the vacated last slot is cleared.
void delete_pipe_slot(Tcorr_log_set& s, int i);

// Removes logger slot k: later loggers move down, pipes at k go, later slot
// numbers in pipes are decreased.
void remove_logger_slot(Tcorr_log_set& s, int k);

// Automatic detection over an announcement source: the timer ticks call tick().
class AutoDetect {
  public:
    AutoDetect(AnnouncementSource& source, ArchiveWorkflow& workflow, Dialogs& dialogs)
        : source_(source), workflow_(workflow), dialogs_(dialogs) {}
    bool enabled = false;       // CB_autodetect enabled
    bool checked = false;       // CB_autodetect ticked
    bool running = false;       // timer_autodetect running
    bool listening = false;     // device held open; the collection buttons are disabled
    bool image_visible = false; // Image7

    void panel_opened(); // presence check: unchecked, enabled only with an interface
    void set_checked(bool on);
    void tick();
    void close(); // "ok": timer off, listening ended

  private:
    AnnouncementSource& source_;
    ArchiveWorkflow& workflow_;
    Dialogs& dialogs_;
};

} // namespace pelquor
