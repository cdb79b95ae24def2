// The archive: the folder tree of stored groups below the data folder, held as
// plain data. The tree widget mirrors it; disk and tree change together.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace pelquor {

// Node pictures.
constexpr int picture_folder = 0;
constexpr int picture_group = 1;       // a group with a mode other than night
constexpr int picture_night_group = 2; // a night-recording group

struct TreeNode {
    std::string text;
    int image_index = picture_folder;
    int selected_index = picture_folder;
    TreeNode* parent = nullptr;
    std::vector<std::unique_ptr<TreeNode>> children;

    bool is_group() const {
        return image_index == picture_group || image_index == picture_night_group;
    }
    TreeNode* first_child() const { return children.empty() ? nullptr : children.front().get(); }
};

class ArchiveTree {
  public:
    std::vector<std::unique_ptr<TreeNode>> top;
    TreeNode* selected = nullptr;

    bool empty() const { return top.empty(); }
    void clear();
    // Appends a child of parent (a top-level node when parent is null).
    TreeNode* append(TreeNode* parent, const std::string& text);
    // Inserts before position index among parent's children.
    TreeNode* insert(TreeNode* parent, size_t index, const std::string& text);
    // Removes the node with its sub-tree; a selection inside it is dropped.
    void remove(TreeNode* node);
    std::vector<std::unique_ptr<TreeNode>>& siblings(TreeNode* parent);
    // Tree order: each node before its children, children before the next sibling.
    TreeNode* next(const TreeNode* node) const;
    TreeNode* first() const { return top.empty() ? nullptr : top.front().get(); }
    std::vector<TreeNode*> in_order() const;
    // The node whose node_path equals path exactly, or null.
    TreeNode* node_by_path(const std::string& path) const;
    bool contains(const TreeNode* node) const;
};

// Separator of tree paths; the group folder is the data folder + tree path.
inline constexpr char tree_separator = '/';

// Texts from the top-level ancestor down to node, joined by '/'.
std::string node_path(const TreeNode* node);

// meas_mode of section comm of a group file; 0 when missing or unreadable.
int read_group_mode(const std::string& group_file);

// Order of sibling texts: letters compare without case first, then lower
// case before upper case, as the platform's locale order does.
int compare_node_text(const std::string& a, const std::string& b);

// Rebuilds the tree from the data folder. Entries beginning with "." are
// skipped with everything below them; siblings are sorted; a folder reached
// twice through links is shown once.
void fill_tree(ArchiveTree& tree, const std::string& data_folder);
void scan_folder(ArchiveTree& tree, const std::string& folder, TreeNode* parent);

// First node in tree order whose text equals text, both in upper case.
TreeNode* find_node(const ArchiveTree& tree, const std::string& text);

// Walks path (parts split at sep, empty parts dropped) from the top level and
// creates the missing parts in sorted position. last is the node of the last
// part; true when a node was created.
bool tree_insert_path(ArchiveTree& tree, const std::string& path, char sep, TreeNode*& last);

// Why a typed name cannot become a folder; empty when it can. The name is
// taken without blanks at both ends.
std::string folder_name_problem(const std::string& name);
std::string trimmed_name(const std::string& name);

// Deletes data_folder + tree_path with everything in it, refusing anything
// that is not strictly below the top level of the data folder (also through
// links). A folder already gone counts as deleted.
bool delete_below_data(const std::string& data_folder, const std::string& tree_path,
                       std::string* error);

} // namespace pelquor
