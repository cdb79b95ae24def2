#include "archive_fixture.h"

#include <filesystem>

namespace pelquor::test {
namespace {

using Tree = ArchiveTest;

TEST_F(Tree, ScanShowsGroupPicturesAndSkipsDotFolders) {
    group("Pelquor/B", 2);
    group("Pelquor/A", 1);
    folder("Pelquor/C");
    group("Pelquor/.trash/Old", 1);
    group("Pelquor/C/.hidden", 1);
    write(data + "Pelquor/C/CORR_GRP.INI", "[comm]\r\nmeas_mode=1\r\n"); // case matters
    rescan();

    EXPECT_EQ(paths(),
              (std::vector<std::string>{"Pelquor", "Pelquor/A", "Pelquor/B", "Pelquor/C"}));
    EXPECT_EQ(node("Pelquor")->image_index, picture_folder);
    EXPECT_EQ(node("Pelquor/A")->image_index, picture_night_group);
    EXPECT_EQ(node("Pelquor/A")->selected_index, picture_group);
    EXPECT_EQ(node("Pelquor/B")->image_index, picture_group);
    EXPECT_EQ(node("Pelquor/C")->image_index, picture_folder);
    EXPECT_FALSE(node("Pelquor/C")->is_group());
}

TEST_F(Tree, ScanSurvivesALinkBackUpTheTree) {
    group("Pelquor/A", 1);
    std::filesystem::create_directory_symlink(data + "Pelquor", data + "Pelquor/A/loop");
    rescan();
    // The loop is entered once at most; the scan ends.
    EXPECT_LE(tree.in_order().size(), 4u);
    EXPECT_NE(node("Pelquor/A"), nullptr);
}

TEST_F(Tree, ReadGroupModeDefaultsToZero) {
    write(data + "a.ini", "[comm]\r\nmeas_mode=1\r\n");
    write(data + "b.ini", "[comm]\r\ncount=2\r\n");
    write(data + "c.ini", "[comm]\r\nmeas_mode=night\r\n");
    EXPECT_EQ(read_group_mode(data + "a.ini"), 1);
    EXPECT_EQ(read_group_mode(data + "b.ini"), 0);
    EXPECT_EQ(read_group_mode(data + "c.ini"), 0);
    EXPECT_EQ(read_group_mode(data + "missing.ini"), 0);
}

TEST_F(Tree, InsertPathPlacesNewNodesInSortedOrder) {
    struct Case {
        std::string path;
        bool created;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {"Pelquor/M", true, {"Pelquor", "Pelquor/B", "Pelquor/M", "Pelquor/Z"}},
        {"Pelquor/A", true, {"Pelquor", "Pelquor/A", "Pelquor/B", "Pelquor/Z"}},
        {"Pelquor/Z/Y", true, {"Pelquor", "Pelquor/B", "Pelquor/Z", "Pelquor/Z/Y"}},
        {"Pelquor/b", true, {"Pelquor", "Pelquor/b", "Pelquor/B", "Pelquor/Z"}},
        {"Pelquor//Z/", false, {"Pelquor", "Pelquor/B", "Pelquor/Z"}},
        {"Other/X/Y", true, {"Other", "Other/X", "Other/X/Y", "Pelquor", "Pelquor/B", "Pelquor/Z"}},
    };
    for (const auto& c : cases) {
        tree.clear();
        TreeNode* root = tree.append(nullptr, "Pelquor");
        tree.append(root, "B");
        tree.append(root, "Z");
        TreeNode* last = nullptr;
        EXPECT_EQ(tree_insert_path(tree, c.path, '/', last), c.created) << c.path;
        EXPECT_EQ(paths(), c.order) << c.path;
        ASSERT_NE(last, nullptr);
        std::string want = c.path;
        while (!want.empty() && want.back() == '/')
            want.pop_back();
        if (c.path == "Pelquor//Z/")
            want = "Pelquor/Z";
        EXPECT_EQ(node_path(last), want);
    }
}

TEST_F(Tree, FindNodeIsCaseBlindAndTakesTheFirstInTreeOrder) {
    TreeNode* root = tree.append(nullptr, "Pelquor");
    TreeNode* town = tree.append(root, "Town");
    TreeNode* deep = tree.append(town, "Main");
    TreeNode* late = tree.append(root, "MAIN");
    EXPECT_EQ(find_node(tree, "main"), deep);
    EXPECT_EQ(find_node(tree, "pelquor"), root);
    EXPECT_EQ(find_node(tree, "nowhere"), nullptr);
    tree.remove(town);
    EXPECT_EQ(find_node(tree, "main"), late);
    tree.clear();
    EXPECT_EQ(find_node(tree, "main"), nullptr);
}

TEST(FolderNames, UnsafeNamesAreRefusedWithAReason) {
    for (std::string ok : {"Main street", "Zürich 3", "A-1_b", "  padded  "})
        EXPECT_EQ(folder_name_problem(ok), "") << ok;
    for (std::string bad : std::vector<std::string>{"", "   ", ".", "..", "../x", "a/b", "a\\b",
                                                    ".hidden", "what?", "a:b", "x*", "tab\there",
                                                    "line\nbreak", "dot.", std::string(201, 'x')})
        EXPECT_NE(folder_name_problem(bad), "") << bad;
}

TEST_F(Tree, DeleteOnlyBelowTheTopOfTheDataFolder) {
    group("Pelquor/A/G", 1);
    std::string outside = home + "/outside";
    std::filesystem::create_directories(outside + "/keep");
    std::filesystem::create_directory_symlink(outside, data + "Pelquor/link");
    std::string error;

    EXPECT_FALSE(delete_below_data(data, "Pelquor", &error));
    EXPECT_FALSE(delete_below_data(data, "Pelquor/..", &error));
    EXPECT_FALSE(delete_below_data(data, "Pelquor/../..", &error));
    EXPECT_FALSE(delete_below_data(data, "Pelquor/link/keep", &error));
    EXPECT_NE(error.find("outside"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(outside + "/keep"));

    // A link itself is removed, never what it points to.
    EXPECT_TRUE(delete_below_data(data, "Pelquor/link", &error)) << error;
    EXPECT_TRUE(std::filesystem::exists(outside + "/keep"));

    EXPECT_TRUE(delete_below_data(data, "Pelquor/A", &error)) << error;
    EXPECT_FALSE(exists("Pelquor/A"));
    EXPECT_TRUE(exists("Pelquor"));
    EXPECT_TRUE(delete_below_data(data, "Pelquor/gone", &error));
}

} // namespace
} // namespace pelquor::test
