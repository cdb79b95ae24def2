// A temporary data folder and a recording view for the archive tests.
#pragma once

#include "groups/archive_workflow.h"
#include "shell/files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace pelquor::test {

inline std::string make_temp_dir() {
    std::string templ = (std::filesystem::temp_directory_path() / "archive_XXXXXX").string();
    char* made = mkdtemp(templ.data());
    return made ? std::string(made) : std::string();
}

inline void write(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_TRUE(write_file_atomic(path, text));
}

// A group file with the given mode and loggers 1..count (IDs 100 + n).
inline std::string group_text(int meas_mode, int count = 0, const std::string& comment = "G") {
    std::string t = "[comm]\r\ncomment=" + comment + "\r\nmeas_mode=" + std::to_string(meas_mode) +
                    "\r\ncount=" + std::to_string(count) + "\r\n";
    for (int n = 1; n <= count; ++n)
        t += "[log" + std::to_string(n) + "]\r\nID=" + std::to_string(100 + n) + "\r\ncomment=L" +
             std::to_string(n) + "\r\n";
    return t;
}

struct RecordingView : ArchiveView {
    int tree_changes = 0, shown = 0, waves = 0, resets = 0;
    bool collection_visible = false, ribbon_visible = true;
    std::vector<std::string> guides;
    void tree_changed() override { ++tree_changes; }
    void show_group() override { ++shown; }
    void display_wave(int) override { ++waves; }
    void reset_logger_page() override { ++resets; }
    void show_collection(bool v) override { collection_visible = v; }
    void show_ribbon(bool v) override { ribbon_visible = v; }
    void easy_guide(const std::string& t) override { guides.push_back(t); }
};

class ArchiveTest : public ::testing::Test {
  protected:
    std::string home;
    std::string data;
    GroupState g;
    ArchiveTree tree;
    Settings settings;
    LangTexts texts;
    ScriptedDialogs dialogs;
    RecordingView view;
    std::unique_ptr<ArchiveWorkflow> wf;

    void SetUp() override {
        home = make_temp_dir();
        ASSERT_FALSE(home.empty());
        data = home + "/data/";
        settings.data_dir = data;
        for (int n : {72, 106, 201, 202, 218, 238, 239, 240, 241, 246, 249, 250, 252, 441, 452})
            texts.set(n, "T" + std::to_string(n));
        wf = std::make_unique<ArchiveWorkflow>(g, tree, settings, texts, dialogs, view);
    }
    void TearDown() override { std::filesystem::remove_all(home); }

    void group(const std::string& tree_path, int mode, int count = 0) {
        write(data + tree_path + "/corr_grp.ini", group_text(mode, count, file_name_of(tree_path)));
    }
    void folder(const std::string& tree_path) {
        std::filesystem::create_directories(data + tree_path);
    }
    bool exists(const std::string& tree_path) const {
        return std::filesystem::exists(data + tree_path);
    }
    TreeNode* node(const std::string& path) const { return tree.node_by_path(path); }
    void select(const std::string& path) {
        tree.selected = node(path);
        ASSERT_NE(tree.selected, nullptr) << path;
    }
    void rescan() { fill_tree(tree, data); }
    std::vector<std::string> paths() const {
        std::vector<std::string> out;
        for (auto* n : tree.in_order())
            out.push_back(node_path(n));
        return out;
    }
};

} // namespace pelquor::test
