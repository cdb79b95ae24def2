#include "groups/archive_workflow.h"

#include "groups/std_group.h"
#include "shell/files.h"
#include "shell/ini_file.h"

namespace pelquor {

namespace {
constexpr const char* dialog_caption = "Pelquor";
constexpr const char* archive_root = "Pelquor";
} // namespace

ArchiveWorkflow::ArchiveWorkflow(GroupState& g, ArchiveTree& tree, Settings& settings,
                                 const LangTexts& texts, Dialogs& dialogs, ArchiveView& view)
    : g_(g), tree_(tree), settings_(settings), texts_(texts), dialogs_(dialogs), view_(view) {}

std::string ArchiveWorkflow::lang(int n) const {
    return texts_(n);
}

bool ArchiveWorkflow::save() {
    std::string error;
    if (corr_log_set_save_ini(g_, data_folder(), &error) == SaveResult::failed) {
        dialogs_.error(error);
        return false;
    }
    return true;
}

bool ArchiveWorkflow::make_folder(const std::string& tree_path) {
    const std::string path = with_separator(data_folder()) + tree_path;
    if (folder_exists(path))
        return true;
    std::string error;
    if (!create_folder(path, &error)) {
        dialogs_.error("The folder " + path + " could not be created: " + error);
        return false;
    }
    return true;
}

bool ArchiveWorkflow::checked_name(const std::string& name) {
    std::string problem = folder_name_problem(name);
    if (problem.empty())
        return true;
    dialogs_.message(problem);
    return false;
}

// ---------------------------------------------------------------- tree

void ArchiveWorkflow::setup_tree_structure() {
    if (folder_exists(data_folder())) {
        view_.show_ribbon(true);
        show_tree();
        return;
    }
    if (!make_folder("") || !make_folder(archive_root))
        return;
    tree_.clear();
    tree_.selected = tree_.insert(nullptr, 0, archive_root);
    view_.tree_changed();
    g_.first_group_pending = true;

    dialogs_.message(lang(240));
    std::string name;
    for (;;) {
        auto answer = dialogs_.input(dialog_caption, lang(238), "");
        name = answer ? trimmed_name(*answer) : std::string();
        if (name.empty() || checked_name(name))
            break;
    }
    TreeNode* last = nullptr;
    tree_insert_path(tree_, std::string(archive_root) + tree_separator + name, tree_separator,
                     last);
    if (!name.empty() && !make_folder(std::string(archive_root) + tree_separator + name))
        return;
    first_group_folder = name;
    view_.tree_changed();

    if (tree_.selected && !tree_.selected->is_group()) {
        assign_std_grp();
        auto answer = dialogs_.input(dialog_caption, lang(239), "");
        g_.corr_std_grp.comment = answer ? single_line(trimmed_name(*answer)) : std::string();
        dialogs_.message(lang(241));
        collecting = true;
        view_.collection_changed();
        view_.show_ribbon(false);
        view_.show_collection(true);
    }
}

void ArchiveWorkflow::show_tree() {
    view_.show_tree_box();
    if (!folder_exists(data_folder()) && !make_folder(""))
        return;
    fill_tree(tree_, data_folder());
    // The open group's own node first: its name alone may be met earlier in
    // another town's folder.
    if (TreeNode* own = tree_.node_by_path(g_.corr_log_set.tree_path))
        tree_.selected = own;
    else if (!g_.corr_log_set.comment.empty())
        if (TreeNode* n = find_node(tree_, g_.corr_log_set.comment))
            tree_.selected = n;
    view_.tree_changed();
    if (!g_.corr_log_set.comment.empty())
        view_.focus_tree();
}

void ArchiveWorkflow::select_node(const std::string& nodetext) {
    if (TreeNode* n = find_node(tree_, nodetext)) {
        tree_.selected = n;
        view_.tree_changed();
    }
}

void ArchiveWorkflow::recall_last_node(const std::string& nodetext) {
    select_node(nodetext);
    load_logger_set();
}

void ArchiveWorkflow::load_logger_set() {
    view_.show_loggers_box();
    view_.reset_logger_page();
    TreeNode* node = tree_.selected;
    if (!node || !tree_.contains(node)) {
        g_.group_not_loaded = true;
        reset_logger_model(g_);
        g_.notes.clear();
        view_.show_group();
        return;
    }
    LoadResult result = LoadResult::no_group_file;
    try {
        result = pelquor::load_logger_set(g_, data_folder(), node_path(node), hooks);
    } catch (const GroupFileError& e) {
        dialogs_.error(e.what());
        view_.show_group();
        return;
    }
    if (result == LoadResult::no_group_file) {
        g_.notes.clear();
        view_.show_group();
        return;
    }
    // A stored group keeps its range.
    range_enabled = false;
    view_.range_changed();
    view_.show_group();
    settings_.last_node = node->text;
    for (int n = 1; n <= g_.corr_log_set.count; ++n)
        view_.display_wave(n);
}

MenuEnabling ArchiveWorkflow::menu_enabling() const {
    MenuEnabling m;
    const TreeNode* s = tree_.selected;
    m.delete_item = true;
    m.new_measurement = s && s->is_group();
    m.add = !s || !s->is_group();
    m.set = s && !s->is_group();
    return m;
}

void ArchiveWorkflow::select_right_clicked(TreeNode* node) {
    if (node && tree_.contains(node)) {
        tree_.selected = node;
        view_.tree_changed();
    }
}

void ArchiveWorkflow::delete_selected() {
    TreeNode* node = tree_.selected;
    if (!node || !node->parent)
        return; // the top level is never deleted
    if (!dialogs_.confirm(lang(201)))
        return;
    std::string error;
    if (!delete_below_data(data_folder(), node_path(node), &error)) {
        dialogs_.error(error);
        return;
    }
    // The open group may stay on the page, but nothing is written into a
    // folder that is gone (each save would fail with an error otherwise).
    const std::string gone = node_path(node);
    const std::string& open = g_.corr_log_set.tree_path;
    if (open == gone || open.rfind(gone + tree_separator, 0) == 0)
        g_.group_not_loaded = true;
    tree_.remove(node);
    view_.tree_changed();
}

TreeNode* ArchiveWorkflow::add_child_folder(TreeNode* parent, const std::string& raw) {
    if (!parent || !checked_name(raw))
        return nullptr;
    const std::string name = trimmed_name(raw);
    for (const auto& c : parent->children)
        if (c->text == name) {
            dialogs_.message("A folder named \"" + name + "\" already exists in \"" +
                             node_path(parent) + "\".");
            return nullptr;
        }
    const std::string path = node_path(parent) + tree_separator + name;
    if (folder_exists(with_separator(data_folder()) + path)) {
        dialogs_.message("A folder named \"" + name + "\" already exists in \"" +
                         node_path(parent) + "\".");
        return nullptr;
    }
    if (!make_folder(path))
        return nullptr;
    TreeNode* last = nullptr;
    tree_insert_path(tree_, path, tree_separator, last);
    view_.tree_changed();
    return last;
}

TreeNode* ArchiveWorkflow::add_sibling_folder(const std::string& name) {
    if (!tree_.selected || !tree_.selected->parent)
        return nullptr;
    return add_child_folder(tree_.selected->parent, name);
}

void ArchiveWorkflow::add_folder() {
    TreeNode* s = tree_.selected;
    if (!s && tree_.empty()) {
        tree_.selected = tree_.insert(nullptr, 0, archive_root);
        make_folder(archive_root);
        view_.tree_changed();
        return;
    }
    if (!s || s->is_group())
        return;
    if (s->first_child() && s->first_child()->is_group())
        return; // folders that hold groups get no sub-folders
    auto answer = dialogs_.input(dialog_caption, lang(238), "");
    if (!answer || trimmed_name(*answer).empty())
        return;
    add_child_folder(s, *answer);
}

void ArchiveWorkflow::set_group() {
    TreeNode* s = tree_.selected;
    if (!s || s->is_group())
        return;
    auto answer = dialogs_.input(dialog_caption, lang(239), "");
    if (!answer || trimmed_name(*answer).empty())
        return;
    if (!checked_name(*answer))
        return;
    start_collection(trimmed_name(*answer));
}

void ArchiveWorkflow::copy_actual_set() {
    if (!tree_.selected)
        return;
    load_logger_set();
    TreeNode* source = tree_.selected;
    if (!source || !source->is_group() || g_.group_not_loaded)
        return;
    auto answer = dialogs_.input(dialog_caption, lang(239), g_.corr_log_set.comment + "1");
    if (!answer || trimmed_name(*answer).empty())
        return;
    const std::string name = trimmed_name(*answer);
    // The node made here is the new group's: a search in tree order could
    // meet a deeper folder of the same name and write into another group.
    TreeNode* node = add_sibling_folder(name);
    if (!node)
        return;
    auto& s = g_.corr_log_set;
    if (!dialogs_.question(lang(452) + "?")) {
        for (int n = 1; n <= max_loggers; ++n) {
            s.corr_log[n].longitude.clear();
            s.corr_log[n].latitude.clear();
            s.corr_log[n].x_c = n * 50;
            s.corr_log[n].y_c = n * 50;
        }
        s.pipes_count = 0;
        s.actual_pipe = 0;
    }
    view_.clear_drawings();
    s.sync_time = 0;
    s.read_time = 0;
    for (int n = 1; n <= max_loggers; ++n) {
        auto& l = s.corr_log[n];
        l.file_name.clear();
        l.timer = 0;
        l.read_time = 0;
        l.min_level = 0;
        l.min_frequency = 0;
        l.min_esa = 0;
    }
    view_.clear_logger_fields();
    s.comment = name;
    s.tree_path = node_path(node);
    tree_.selected = node;
    save();
    node->image_index = source && tree_.contains(source) ? source->image_index : picture_group;
    node->selected_index = picture_group;
    view_.tree_changed();
    load_logger_set();
    g_.sample_rate = sample_rate_of_range(g_.corr_log_set.range_mode);
}

bool ArchiveWorkflow::search(const std::string& text) {
    if (TreeNode* n = find_node(tree_, text)) {
        tree_.selected = n;
        view_.tree_changed();
        view_.focus_tree();
        return true;
    }
    dialogs_.message(text + " " + lang(441));
    return false;
}

// ---------------------------------------------------------------- collection

void ArchiveWorkflow::start_collection(const std::string& name) {
    assign_std_grp();
    g_.corr_std_grp.comment = single_line(name);
    view_.easy_guide(lang(241));
    collecting = true;
    view_.collection_changed();
    view_.show_collection(true);
    view_.show_ribbon(false);
}

bool ArchiveWorkflow::assign_std_grp() {
    std::string error;
    bool ok = read_std_grp(g_.corr_std_grp, data_folder(), &error);
    if (!ok)
        dialogs_.error(error);
    view_.collection_changed();
    return ok;
}

bool ArchiveWorkflow::reassign_std_grp() {
    std::string error;
    if (!write_std_grp(g_.corr_std_grp, data_folder(), &error)) {
        dialogs_.error(error);
        view_.collection_changed();
        return false;
    }
    // Read back what was written, as the list always shows the file.
    std::string name = g_.corr_std_grp.comment;
    bool ok = assign_std_grp();
    if (!ok)
        g_.corr_std_grp.comment = name;
    return ok;
}

void ArchiveWorkflow::add_collected(int32_t id) {
    auto& c = g_.corr_std_grp;
    c.count += 1;
    c.corr_log[c.count].ID = id;
    const std::string proposal = "LOG" + std::to_string(c.count);
    auto label = dialogs_.input(dialog_caption, lang(72), proposal);
    c.corr_log[c.count].comment = single_line(label ? *label : proposal);
    reassign_std_grp();
}

void ArchiveWorkflow::add_logger() {
    auto& c = g_.corr_std_grp;
    if (c.count > 7) {
        dialogs_.message(lang(106));
        return;
    }
    auto answer = dialogs_.input(dialog_caption, "LoggerID", "");
    if (!answer || !isInteger(*answer))
        return;
    long long id = 0;
    parse_int(*answer, id);
    if (id < 1 || id > 0xffff) {
        dialogs_.message("A logger ID lies between 1 and 65535.");
        return;
    }
    for (int n = 1; n <= c.count; ++n)
        if (c.corr_log[n].ID == id)
            return;
    add_collected(static_cast<int32_t>(id));
}

AutoAdd ArchiveWorkflow::add_logger_auto(uint32_t address) {
    auto& c = g_.corr_std_grp;
    if (c.count >= max_loggers)
        return AutoAdd::full;
    const int family = static_cast<int>((address >> 16) & 0xff);
    const int id = static_cast<int>(address & 0xffff);
    if (id == 0)
        return AutoAdd::ignored;
    if (c.count == 0)
        c.dev_type = family;
    for (int n = 1; n <= c.count; ++n)
        if (c.corr_log[n].ID == id)
            return AutoAdd::ignored;
    if (family == c.dev_type) {
        if (!dialogs_.confirm(std::to_string(id)))
            return AutoAdd::declined;
        add_collected(id);
        return AutoAdd::added;
    }
    if (id != last_refused_id)
        dialogs_.message("corr and hydro not allowed in one group");
    last_refused_id = id;
    return AutoAdd::refused;
}

void ArchiveWorkflow::remove_collected(int row) {
    auto& c = g_.corr_std_grp;
    if (row < 1 || row > c.count)
        return;
    if (!dialogs_.question(c.corr_log[row].comment + " " + lang(202) + "?"))
        return;
    for (int n = row; n < c.count; ++n) {
        c.corr_log[n].ID = c.corr_log[n + 1].ID;
        c.corr_log[n].comment = c.corr_log[n + 1].comment;
    }
    c.count -= 1;
    reassign_std_grp();
}

void ArchiveWorkflow::remove_all_collected(int row) {
    auto& c = g_.corr_std_grp;
    const std::string label = row >= 1 && row <= c.count ? c.corr_log[row].comment : "";
    if (!dialogs_.question(label + " " + lang(202) + "?"))
        return;
    c.count = 0;
    reassign_std_grp();
}

void ArchiveWorkflow::rename_collection() {
    auto& c = g_.corr_std_grp;
    auto answer = dialogs_.input(dialog_caption, lang(218), c.comment);
    if (!answer)
        return;
    if (!checked_name(*answer))
        return;
    c.comment = single_line(trimmed_name(*answer));
    reassign_std_grp();
}

bool ArchiveWorkflow::confirm_collection() {
    // The name becomes a folder; an unusable one keeps the panel open.
    if (!checked_name(g_.corr_std_grp.comment))
        return false;
    // A folder of that name is never reused: its group would be overwritten.
    if (TreeNode* parent = new_group_parent()) {
        const std::string name = trimmed_name(g_.corr_std_grp.comment);
        bool taken = folder_exists(with_separator(data_folder()) + node_path(parent) +
                                   tree_separator + name);
        for (const auto& c : parent->children)
            taken = taken || c->text == name;
        if (taken) {
            dialogs_.message("A folder named \"" + name + "\" already exists in \"" +
                             node_path(parent) + "\"; choose another group name.");
            return false;
        }
    }
    view_.show_ribbon(true);
    g_.group_not_loaded = false;
    corr_log_set_init(g_);
    collecting = false;
    view_.show_collection(false);
    g_.corr_std_grp.start = 2;
    g_.corr_std_grp.stop = 4;
    reassign_std_grp();
    create_new_logger_set();
    if (dialogs_.two_buttons(lang(252), lang(249), lang(250))) {
        g_.corr_log_set.meas_mode = 1;
    } else {
        g_.corr_log_set.meas_mode = 2;
        g_.prog_state = 1;
    }
    range_enabled = true;
    select_range_item(g_.corr_log_set.dev_type == family_vellmar ? 1 : 0);
    view_.range_changed();
    view_.show_group();
    save();
    view_.easy_guide(lang(246));
    show_tree();
    return true;
}

TreeNode* ArchiveWorkflow::new_group_parent() {
    if (g_.first_group_pending)
        if (TreeNode* n = find_node(tree_, first_group_folder))
            tree_.selected = n;
    TreeNode* s = tree_.selected;
    if (!s || !tree_.contains(s) || s->is_group())
        return nullptr;
    return s;
}

void ArchiveWorkflow::create_new_logger_set() {
    TreeNode* s = new_group_parent();
    if (!s)
        return;
    const std::string name = g_.corr_std_grp.comment;
    TreeNode* node = add_child_folder(s, name);
    if (!node)
        return;
    reset_logger_model(g_);
    view_.reset_logger_page();
    g_.filter1_li = 4;
    g_.filter1_re = g_.sample_rate / 2;
    g_.corr_log_set.comment = name;
    g_.corr_log_set.tree_path = node_path(node);
    tree_.selected = node;
    parse_corr_std_grp();
    view_.show_group();
    save();
    node->image_index = picture_group;
    node->selected_index = picture_group;
    init_pipes(g_);
    load_logger_set();
    view_.tree_changed();
}

void ArchiveWorkflow::parse_corr_std_grp() {
    auto& s = g_.corr_log_set;
    const auto& c = g_.corr_std_grp;
    s.comment = c.comment;
    s.read_time = 0;
    s.start = c.start;
    s.stop = c.stop;
    s.count = c.count;
    s.meas_delta = 60;
    s.blocks = 10;
    s.interval = 30;
    s.dev_type = c.dev_type;
    for (int n = 1; n <= c.count && n <= max_loggers; ++n) {
        s.corr_log[n].ID = c.corr_log[n].ID;
        s.corr_log[n].comment = c.corr_log[n].comment;
    }
}

// ---------------------------------------------------------------- group page

void ArchiveWorkflow::rg_range_click(int item) {
    if (item < 0 || item > 1)
        return;
    g_.rg_range_item = item;
    g_.corr_log_set.range_mode = item * 2;
    g_.sample_rate = sample_rate_of_range(g_.corr_log_set.range_mode);
    g_.corr_log_set.dev_type = item == 1 ? family_vellmar : family_corr;
    view_.range_changed();
    save();
}

void ArchiveWorkflow::select_range_item(int item) {
    if (item != g_.rg_range_item)
        rg_range_click(item);
}

void ArchiveWorkflow::correlation_method_click(int item) {
    if (g_.reading_group_file)
        return;
    g_.corr_log_set.c_mode = item;
    save();
}

int stop_hour_after(int start) {
    return (start + 1) % 24;
}

void ArchiveWorkflow::start_hour_chosen(int hour) {
    if (hour < 0 || hour > 23)
        return;
    g_.corr_log_set.start = hour;
    g_.corr_log_set.stop = stop_hour_after(hour);
    save();
}

void ArchiveWorkflow::stop_hour_chosen(int hour) {
    if (hour < 0 || hour > 23)
        return;
    g_.corr_log_set.stop = hour;
    save();
}

void ArchiveWorkflow::label_edited(int slot, const std::string& text) {
    if (slot < 1 || slot > g_.corr_log_set.count)
        return;
    g_.corr_log_set.corr_log[slot].comment = single_line(text);
    save();
}

void ArchiveWorkflow::notes_edited(const std::string& notes) {
    g_.notes = notes;
    const auto& path = g_.corr_log_set.tree_path;
    if (path.empty() || g_.group_not_loaded)
        return; // a folder without a group gets no notes either
    std::string error;
    if (!write_notes(group_folder(data_folder(), path), notes, &error))
        dialogs_.error(error);
}

void ArchiveWorkflow::meas_delta_plus() {
    if (g_.corr_log_set.meas_delta <= 3300)
        g_.corr_log_set.meas_delta += 300;
    save();
}

void ArchiveWorkflow::meas_delta_minus() {
    if (g_.corr_log_set.meas_delta >= 120)
        g_.corr_log_set.meas_delta -= 60;
    save();
}

void delete_pipe_slot(Tcorr_log_set& s, int i) {
    if (i < 1 || i > s.pipes_count)
        return;
    for (int j = i; j < s.pipes_count; ++j)
        s.pipes[j] = s.pipes[j + 1];
    s.pipes[s.pipes_count] = Ttotal_pipe{};
    s.pipes_count -= 1;
    if (s.actual_pipe == i)
        s.actual_pipe = 0;
    else if (s.actual_pipe > i)
        s.actual_pipe -= 1;
}

void remove_logger_slot(Tcorr_log_set& s, int k) {
    if (k < 1 || k > s.count)
        return;
    for (int n = k; n < s.count; ++n)
        s.corr_log[n] = s.corr_log[n + 1];
    s.corr_log[s.count] = Tcorr_log{};
    s.count -= 1;
    const int slots = s.pipes_count;
    for (int i = 1; i <= slots && i <= s.pipes_count; ++i)
        while (i <= s.pipes_count && (s.pipes[i].log1 == k || s.pipes[i].log2 == k))
            delete_pipe_slot(s, i);
    for (int i = 1; i <= s.pipes_count; ++i) {
        if (s.pipes[i].log1 > k)
            s.pipes[i].log1 -= 1;
        if (s.pipes[i].log2 > k)
            s.pipes[i].log2 -= 1;
    }
}

void ArchiveWorkflow::delete_n3(int k) {
    auto& s = g_.corr_log_set;
    if (k < 1 || k > s.count)
        return;
    if (!dialogs_.confirm(lang(201)))
        return;
    view_.busy(true);
    if (s.count == 1) {
        // The emptied group goes with its folder, when it is below the top level.
        s.corr_log[1] = Tcorr_log{};
        s.count = 0;
        TreeNode* node = tree_.node_by_path(s.tree_path);
        if (node && node->parent) {
            std::string error;
            if (!delete_below_data(data_folder(), s.tree_path, &error)) {
                dialogs_.error(error);
            } else {
                tree_.remove(node);
                // Nothing may be written into the folder that is gone.
                s.tree_path.clear();
                g_.group_not_loaded = true;
                view_.reset_logger_page();
                view_.tree_changed();
            }
        }
        view_.busy(false);
        return;
    }
    remove_logger_slot(s, k);
    view_.clear_drawings();
    view_.show_group();
    if (hooks.level_analysis)
        hooks.level_analysis(group_folder(data_folder(), s.tree_path));
    for (int n = 1; n <= s.count; ++n)
        view_.display_wave(n);
    save();
    view_.busy(false);
}

// ---------------------------------------------------------------- detection

void AutoDetect::panel_opened() {
    checked = false;
    running = false;
    if (listening) {
        source_.stop();
        listening = false;
    }
    enabled = source_.present();
}

void AutoDetect::set_checked(bool on) {
    if (on == checked)
        return;
    checked = on;
    if (on) {
        if (!source_.start()) {
            checked = false;
            dialogs_.message("The radio interface could not be opened for listening.");
            return;
        }
        listening = true;
        running = true;
    } else {
        running = false;
        image_visible = false;
        if (listening)
            source_.stop();
        listening = false;
    }
}

void AutoDetect::tick() {
    if (!running)
        return;
    image_visible = !image_visible;
    uint32_t address = source_.read();
    if (address == 0)
        return;
    running = false; // no tick while the logger is being confirmed
    AutoAdd r = workflow_.add_logger_auto(address);
    if (r != AutoAdd::full && checked)
        running = true;
}

void AutoDetect::close() {
    running = false;
    checked = false;
    image_visible = false;
    if (listening)
        source_.stop();
    listening = false;
}

} // namespace pelquor
