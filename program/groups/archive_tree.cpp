#include "groups/archive_tree.h"

#include "groups/group_file.h"
#include "shell/files.h"
#include "shell/ini_file.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace pelquor {

void ArchiveTree::clear() {
    top.clear();
    selected = nullptr;
}

std::vector<std::unique_ptr<TreeNode>>& ArchiveTree::siblings(TreeNode* parent) {
    return parent ? parent->children : top;
}

TreeNode* ArchiveTree::insert(TreeNode* parent, size_t index, const std::string& text) {
    auto& list = siblings(parent);
    auto node = std::make_unique<TreeNode>();
    node->text = text;
    node->parent = parent;
    TreeNode* raw = node.get();
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(std::min(index, list.size())),
                std::move(node));
    return raw;
}

TreeNode* ArchiveTree::append(TreeNode* parent, const std::string& text) {
    return insert(parent, siblings(parent).size(), text);
}

namespace {
bool inside(const TreeNode* node, const TreeNode* root) {
    for (const TreeNode* n = node; n; n = n->parent)
        if (n == root)
            return true;
    return false;
}
} // namespace

void ArchiveTree::remove(TreeNode* node) {
    if (!node || !contains(node))
        return;
    if (selected && inside(selected, node))
        selected = nullptr;
    auto& list = siblings(node->parent);
    list.erase(
        std::remove_if(list.begin(), list.end(),
                       [node](const std::unique_ptr<TreeNode>& p) { return p.get() == node; }),
        list.end());
}

TreeNode* ArchiveTree::next(const TreeNode* node) const {
    if (!node)
        return nullptr;
    if (!node->children.empty())
        return node->children.front().get();
    for (const TreeNode* n = node; n; n = n->parent) {
        const auto& list = n->parent ? n->parent->children : top;
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].get() == n && i + 1 < list.size())
                return list[i + 1].get();
    }
    return nullptr;
}

std::vector<TreeNode*> ArchiveTree::in_order() const {
    std::vector<TreeNode*> out;
    for (TreeNode* n = first(); n; n = next(n))
        out.push_back(n);
    return out;
}

bool ArchiveTree::contains(const TreeNode* node) const {
    if (!node)
        return false;
    for (TreeNode* n = first(); n; n = next(n))
        if (n == node)
            return true;
    return false;
}

TreeNode* ArchiveTree::node_by_path(const std::string& path) const {
    if (path.empty())
        return nullptr;
    for (TreeNode* n = first(); n; n = next(n))
        if (node_path(n) == path)
            return n;
    return nullptr;
}

std::string node_path(const TreeNode* node) {
    if (!node)
        return {};
    std::string path = node->text;
    for (const TreeNode* p = node->parent; p; p = p->parent)
        path = p->text + tree_separator + path;
    return path;
}

int read_group_mode(const std::string& group_file) {
    IniFile ini;
    if (!ini.load(group_file))
        return 0;
    long long v = 0;
    if (!parse_int(ini.read_string("comm", "meas_mode", "0"), v))
        return 0;
    return static_cast<int>(v);
}

namespace {
char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
std::string upper_text(const std::string& s) {
    std::string out = s;
    for (auto& c : out)
        c = upper(c);
    return out;
}
} // namespace

int compare_node_text(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        char x = lower(a[i]), y = lower(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) // same letter, different case: lower case first
            return std::islower(static_cast<unsigned char>(a[i])) ? -1 : 1;
    return 0;
}

namespace {

void scan(ArchiveTree& tree, const std::string& folder, TreeNode* parent,
          std::set<std::string>& seen) {
    std::error_code ec;
    const std::string dir = with_separator(folder);
    // A link back up the tree would otherwise recurse until the stack ends.
    fs::path real = fs::canonical(dir, ec);
    if (ec || !seen.insert(real.string()).second)
        return;
    std::vector<std::string> folders;
    bool group = false;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        std::error_code e2;
        if (it->is_directory(e2))
            folders.push_back(name);
        else if (name == group_file_name && it->is_regular_file(e2))
            group = true;
    }
    std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
        return compare_node_text(a, b) < 0;
    });
    if (group && parent) {
        parent->selected_index = picture_group;
        parent->image_index =
            read_group_mode(dir + group_file_name) == 1 ? picture_night_group : picture_group;
    }
    for (const auto& name : folders) {
        TreeNode* node = tree.append(parent, name);
        scan(tree, dir + name, node, seen);
    }
}

} // namespace

void scan_folder(ArchiveTree& tree, const std::string& folder, TreeNode* parent) {
    std::set<std::string> seen;
    scan(tree, folder, parent, seen);
}

void fill_tree(ArchiveTree& tree, const std::string& data_folder) {
    tree.clear();
    scan_folder(tree, data_folder, nullptr);
}

TreeNode* find_node(const ArchiveTree& tree, const std::string& text) {
    const std::string want = upper_text(text);
    for (TreeNode* n = tree.first(); n; n = tree.next(n))
        if (upper_text(n->text) == want)
            return n;
    return nullptr;
}

bool tree_insert_path(ArchiveTree& tree, const std::string& path, char sep, TreeNode*& last) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find(sep, pos);
        if (end == std::string::npos)
            end = path.size();
        if (end > pos)
            parts.push_back(path.substr(pos, end - pos));
        pos = end + 1;
    }
    last = nullptr;
    TreeNode* parent = nullptr;
    size_t i = 0;
    for (; i < parts.size(); ++i) {
        TreeNode* found = nullptr;
        for (auto& n : tree.siblings(parent))
            if (n->text == parts[i]) {
                found = n.get();
                break;
            }
        if (!found)
            break;
        last = found;
        parent = found;
    }
    if (i == parts.size())
        return false;
    // The first missing part goes into sorted position among its siblings.
    auto& list = tree.siblings(parent);
    size_t at = list.size();
    for (size_t k = 0; k < list.size(); ++k)
        if (compare_node_text(list[k]->text, parts[i]) >= 0) {
            at = k;
            break;
        }
    last = tree.insert(parent, at, parts[i]);
    for (++i; i < parts.size(); ++i)
        last = tree.append(last, parts[i]);
    return true;
}

std::string trimmed_name(const std::string& name) {
    return trim(name);
}

std::string folder_name_problem(const std::string& raw) {
    const std::string name = trim(raw);
    const std::string quoted = "\"" + name + "\"";
    if (name.empty())
        return "The name is empty.";
    if (name == "." || name == "..")
        return "The name " + quoted + " is not allowed as a folder name.";
    if (name[0] == '.')
        return "The name " + quoted +
               " begins with \".\"; such folders are not shown in the archive.";
    if (name.size() > 200)
        return "The name " + quoted + " is too long for a folder name (at most 200 characters).";
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7f)
            return "The name " + quoted + " contains a control character.";
        if (std::string("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string::npos)
            return "The name " + quoted + " contains the character '" +
                   std::string(1, static_cast<char>(c)) +
                   "'; folder names cannot hold any of / \\ : * ? \" < > |.";
    }
    if (name.back() == '.')
        return "The name " + quoted + " ends with \".\", which some file systems drop.";
    return {};
}

bool delete_below_data(const std::string& data_folder, const std::string& tree_path,
                       std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    if (data_folder.empty())
        return fail("No data folder is set.");
    std::vector<std::string> parts;
    {
        size_t pos = 0;
        while (pos <= tree_path.size()) {
            size_t end = tree_path.find(tree_separator, pos);
            if (end == std::string::npos)
                end = tree_path.size();
            std::string part = tree_path.substr(pos, end - pos);
            if (part.empty() || part == "." || part == ".." || part.find('\\') != std::string::npos)
                return fail("The folder \"" + tree_path + "\" is not a folder of the archive.");
            parts.push_back(part);
            pos = end + 1;
        }
    }
    if (parts.size() < 2)
        return fail("The top folder \"" + tree_path + "\" of the archive cannot be deleted.");
    std::error_code ec;
    const fs::path base = fs::canonical(data_folder, ec);
    if (ec)
        return fail("The data folder " + data_folder + " cannot be found.");
    const fs::path target = fs::path(with_separator(data_folder) + tree_path);
    if (!fs::exists(fs::symlink_status(target, ec)))
        return true; // already gone
    // The folder that holds the target, with every link resolved, must lie
    // strictly inside the data folder; the target itself is removed as it is
    // (a link is removed, never what it points to).
    const fs::path holder = fs::canonical(target.parent_path(), ec);
    if (ec)
        return fail("The folder " + target.string() + " cannot be resolved.");
    auto rel = holder.lexically_relative(base);
    if (rel.empty() || *rel.begin() == ".." || *rel.begin() == ".")
        return fail("The folder " + target.string() + " lies outside the data folder " +
                    data_folder + "; it was not deleted.");
    fs::remove_all(target, ec);
    if (ec)
        return fail("The folder " + target.string() + " could not be deleted: " + ec.message());
    return true;
}

} // namespace pelquor
