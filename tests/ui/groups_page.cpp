// The group page under Qt Test: archive tree, context menu, search, logger
// boxes, collection panel and detection, on a temporary documents folder.
#include "groups/ui/group_page.h"

#include "groups/std_group.h"
#include "shell/files.h"
#include "shell/ini_file.h"
#include "shell/ui/radio_group.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <deque>
#include <filesystem>
#include <memory>

using namespace pelquor;

namespace {

void write(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    QVERIFY(write_file_atomic(path, text));
}

std::string group_text(int mode, int count, const std::string& comment = "G") {
    std::string t = "[comm]\r\ncomment=" + comment + "\r\nmeas_mode=" + std::to_string(mode) +
                    "\r\ncount=" + std::to_string(count) + "\r\nstart=22\r\nstop=23\r\n";
    for (int n = 1; n <= count; ++n)
        t += "[log" + std::to_string(n) + "]\r\nID=" + std::to_string(4100 + n) + "\r\ncomment=L" +
             std::to_string(n) +
             "\r\nx_c=7\r\ny_c=9\r\nlongitude=8.5\r\n"
             "latitude=47.3\r\n";
    return t;
}

std::string key(const std::string& file, const std::string& sec, const std::string& k) {
    IniFile ini;
    ini.load(file);
    return ini.read_string(sec, k, "<none>");
}

struct FakeRadio : AnnouncementSource {
    bool is_present = true;
    std::deque<uint32_t> heard;
    bool listening = false;
    bool present() override { return is_present; }
    bool start() override { return listening = true; }
    uint32_t read() override {
        if (heard.empty())
            return 0;
        uint32_t a = heard.front();
        heard.pop_front();
        return a;
    }
    void stop() override { listening = false; }
};

} // namespace

class GroupsPageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home;
    std::string data;
    GroupState g;
    Settings settings;
    LangTexts texts;
    ScriptedDialogs dialogs;
    FakeRadio radio;
    std::unique_ptr<GroupPage> page;
    bool ribbon = true;

    template <class T> T* find(const char* name) const {
        T* w = page->findChild<T*>(name);
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QTreeWidget* tree() const { return find<QTreeWidget>("bsSkinTreeView1"); }
    QTreeWidgetItem* item(const QString& path) const {
        const QStringList parts = path.split('/');
        QTreeWidgetItem* it = nullptr;
        for (const QString& p : parts) {
            QTreeWidgetItem* next = nullptr;
            const int n = it ? it->childCount() : tree()->topLevelItemCount();
            for (int i = 0; i < n && !next; ++i) {
                QTreeWidgetItem* c = it ? it->child(i) : tree()->topLevelItem(i);
                if (c->text(0) == p)
                    next = c;
            }
            if (!next)
                return nullptr;
            it = next;
        }
        return it;
    }
    QStringList children(const QString& path) const {
        QStringList out;
        if (QTreeWidgetItem* it = item(path))
            for (int i = 0; i < it->childCount(); ++i)
                out << it->child(i)->text(0);
        return out;
    }
    // A left click on the node: selects it and, on release, loads its group.
    void click(const QString& path) {
        QTreeWidgetItem* it = item(path);
        QVERIFY2(it, qPrintable(path));
        tree()->scrollToItem(it);
        QRect r = tree()->visualItemRect(it);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, r.center());
    }
    void group(const std::string& path, int mode, int count = 0) {
        write(data + path + "/corr_grp.ini", group_text(mode, count, file_name_of(path)));
    }
    bool exists(const std::string& path) const { return std::filesystem::exists(data + path); }

  private slots:
    void init() {
        home = std::make_unique<QTemporaryDir>();
        QVERIFY(home->isValid());
        qputenv("TREVOPELQUOR_HOME", home->path().toUtf8());
        Folders f = make_folders(documents_folder(), "");
        QVERIFY(f.default_data.rfind(home->path().toStdString(), 0) == 0);
        data = f.default_data;
        g = GroupState{};
        settings = Settings{};
        settings.data_dir = data;
        dialogs = ScriptedDialogs{};
        radio = FakeRadio{};
        for (int n : {72, 106, 201, 202, 218, 238, 239, 240, 241, 246, 249, 250, 252, 441, 452})
            texts.set(n, "T" + std::to_string(n));
        page = std::make_unique<GroupPage>(g, settings, texts, dialogs, &radio);
        page->page_hooks.show_ribbon = [this](bool v) { ribbon = v; };
        page->resize(1200, 760);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    }
    void cleanup() {
        page.reset();
        home.reset();
    }

    void tree_shows_group_pictures_and_hides_dot_folders() {
        group("Pelquor/A", 1);
        group("Pelquor/B", 2);
        group("Pelquor/.old/C", 1);
        std::filesystem::create_directories(data + "Pelquor/E");
        page->show_tree();
        QCOMPARE(tree()->topLevelItemCount(), 1);
        QCOMPARE(children("Pelquor"), QStringList({"A", "B", "E"}));
        QCOMPARE(item("Pelquor/A")->data(0, Qt::UserRole + 1).toInt(), 2);
        QCOMPARE(item("Pelquor/B")->data(0, Qt::UserRole + 1).toInt(), 1);
        QCOMPARE(item("Pelquor/E")->data(0, Qt::UserRole + 1).toInt(), 0);
        QVERIFY(find<QGroupBox>("GB_tree")->isVisible());
        QVERIFY(item("Pelquor")->isExpanded());
    }

    void add_inserts_sorted_and_refuses_unsafe_names() {
        std::filesystem::create_directories(data + "Pelquor/B");
        std::filesystem::create_directories(data + "Pelquor/Z");
        page->show_tree();
        click("Pelquor");
        dialogs.inputs = {"M", "A", "../../evil", "a/b"};
        for (int i = 0; i < 4; ++i) {
            click("Pelquor");
            page->add1Click();
        }
        QCOMPARE(children("Pelquor"), QStringList({"A", "B", "M", "Z"}));
        QCOMPARE(dialogs.texts("message").size(), size_t(2));
        QVERIFY(!std::filesystem::exists(home->path().toStdString() + "/Trevolant/evil"));
        QVERIFY(exists("Pelquor/M") && exists("Pelquor/A"));
        click("Pelquor/Z");
        dialogs.inputs = {"Y"};
        page->add1Click();
        QCOMPARE(children("Pelquor/Z"), QStringList({"Y"}));
        QCOMPARE(children("Pelquor"), QStringList({"A", "B", "M", "Z"}));
    }

    void context_menu_enabling_and_add_under_groups() {
        group("Pelquor/Town/G", 1);
        page->show_tree();
        auto* menu = find<QMenu>("PopupMenu1");
        auto action = [&](const char* name) { return menu->findChild<QAction*>(name); };
        click("Pelquor/Town/G");
        page->PopupMenu1Popup();
        QVERIFY(action("Delete1")->isEnabled());
        QVERIFY(action("newmeasurement1")->isEnabled());
        QVERIFY(!action("add1")->isEnabled() && !action("set1")->isEnabled());
        click("Pelquor/Town");
        page->PopupMenu1Popup();
        QVERIFY(!action("newmeasurement1")->isEnabled());
        QVERIFY(action("add1")->isEnabled() && action("set1")->isEnabled());
        // A folder whose first child is a group gets no sub-folder.
        action("add1")->trigger();
        QVERIFY(dialogs.log.empty());
        QCOMPARE(children("Pelquor/Town"), QStringList({"G"}));
    }

    void right_button_selects_the_node_before_the_menu() {
        group("Pelquor/Town/G", 1);
        page->show_tree();
        click("Pelquor/Town");
        QTreeWidgetItem* it = item("Pelquor/Town/G");
        const QPoint at = tree()->visualItemRect(it).center();
        QContextMenuEvent e(QContextMenuEvent::Mouse, at, tree()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree()->viewport(), &e);
        auto* menu = find<QMenu>("PopupMenu1");
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(tree()->currentItem(), item("Pelquor/Town/G"));
        QCOMPARE(page->tree_model().selected, page->tree_model().node_by_path("Pelquor/Town/G"));
        QVERIFY(menu->findChild<QAction*>("newmeasurement1")->isEnabled());
        QVERIFY(!menu->findChild<QAction*>("set1")->isEnabled());
        menu->hide();
    }

    void search_is_case_blind_first_in_tree_order() {
        group("Pelquor/North/Main", 1);
        group("Pelquor/South/MAIN", 2);
        page->show_tree();
        auto* edit = find<QLineEdit>("Edit2");
        edit->setText("main");
        QTest::mouseClick(find<QPushButton>("bsSkinButtonLabel28"), Qt::LeftButton);
        QCOMPARE(tree()->currentItem(), item("Pelquor/North/Main"));
        edit->setText("nowhere");
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(dialogs.texts("message"), std::vector<std::string>({"nowhere T441"}));
    }

    void delete_refuses_top_silently_and_asks_below() {
        group("Pelquor/A", 1);
        page->show_tree();
        click("Pelquor");
        page->Delete1Click();
        QVERIFY(dialogs.log.empty());
        QVERIFY(exists("Pelquor"));
        click("Pelquor/A");
        dialogs.answers = {true};
        page->Delete1Click();
        QCOMPARE(dialogs.texts("confirm"), std::vector<std::string>({"T201"}));
        QVERIFY(!exists("Pelquor/A"));
        QVERIFY(item("Pelquor/A") == nullptr);
    }

    void click_loads_group_into_the_page() {
        group("Pelquor/A", 1, 3);
        write(data + "Pelquor/A/corr_grp.txt", "first\r\nsecond\r\n");
        page->show_tree();
        QStringList captions;
        page->page_hooks.window_caption = [&](const QString& c) { captions << c; };
        click("Pelquor/A");
        QCOMPARE(find<QLineEdit>("LID_2")->text(), QString("4102"));
        QCOMPARE(find<QLineEdit>("LC_3")->text(), QString("L3"));
        QVERIFY(find<QGroupBox>("GB_3")->isVisible());
        QVERIFY(!find<QGroupBox>("GB_4")->isVisible());
        QCOMPARE(find<QGroupBox>("GB_loggers")->title(), QString("A"));
        QCOMPARE(captions.last(), QString("TrevoPelquor, 1.54, A"));
        QCOMPARE(find<QPlainTextEdit>("Memo3")->toPlainText(), QString("first\nsecond"));
        QCOMPARE(find<QComboBox>("CB_start")->currentText(), QString("22:00"));
        QVERIFY(find<QGroupBox>("GB_night")->isVisible());
        QVERIFY(!find<QGroupBox>("GB_inst")->isVisible());
        QVERIFY(!find<RadioGroup>("RG_range")->isEnabled());
        QCOMPARE(settings.last_node, std::string("A"));
    }

    void edits_save_at_each_key_press() {
        group("Pelquor/A", 1, 2);
        page->show_tree();
        click("Pelquor/A");
        const std::string file = data + "Pelquor/A/corr_grp.ini";
        auto* lc = find<QLineEdit>("LC_2");
        lc->selectAll();
        QTest::keyClicks(lc, "Pump");
        QCOMPARE(key(file, "log2", "comment"), std::string("Pump"));
        QTest::keyClick(lc, Qt::Key_Backspace);
        QCOMPARE(key(file, "log2", "comment"), std::string("Pum"));

        auto* memo = find<QPlainTextEdit>("Memo3");
        QTest::keyClicks(memo, "leak?");
        std::string notes;
        QVERIFY(read_file(data + "Pelquor/A/corr_grp.txt", notes));
        QCOMPARE(notes, std::string("leak?\r\n"));
    }

    void start_hour_takes_the_next_hour_and_23_wraps() {
        group("Pelquor/A", 1, 1);
        page->show_tree();
        click("Pelquor/A");
        const std::string file = data + "Pelquor/A/corr_grp.ini";
        auto* start = find<QComboBox>("CB_start");
        auto* stop = find<QComboBox>("CB_stop");
        start->setCurrentIndex(5);
        emit start->activated(5);
        QCOMPARE(stop->currentText(), QString("06:00"));
        QCOMPARE(key(file, "comm", "stop"), std::string("6"));
        start->setCurrentIndex(23);
        emit start->activated(23);
        QCOMPARE(stop->currentText(), QString("00:00"));
        QCOMPARE(key(file, "comm", "start"), std::string("23"));
        QCOMPARE(key(file, "comm", "stop"), std::string("0"));
    }

    void new_measurement_answered_no() {
        group("Pelquor/T/Old", 2, 8);
        page->show_tree();
        click("Pelquor/T/Old");
        dialogs.inputs = {"Old1"};
        dialogs.answers = {false};
        page->newmeasurement1Click();
        const std::string file = data + "Pelquor/T/Old1/corr_grp.ini";
        QVERIFY(std::filesystem::exists(file));
        for (int n = 1; n <= 8; ++n) {
            const std::string sec = "log" + std::to_string(n);
            QCOMPARE(key(file, sec, "x_c"), std::to_string(n * 50));
            QCOMPARE(key(file, sec, "y_c"), std::to_string(n * 50));
            QCOMPARE(key(file, sec, "longitude"), std::string(""));
        }
        QCOMPARE(key(file, "comm", "pipes_count"), std::string("0"));
        QCOMPARE(tree()->currentItem(), item("Pelquor/T/Old1"));
        QCOMPARE(item("Pelquor/T/Old1")->data(0, Qt::UserRole + 1).toInt(), 1);
        QCOMPARE(find<QGroupBox>("GB_loggers")->title(), QString("Old1"));
    }

    void collection_from_a_missing_standard_group() {
        std::filesystem::create_directories(data + "Pelquor");
        page->show_tree();
        click("Pelquor");
        dialogs.inputs = {"Mill Lane"};
        page->set1Click();
        auto* panel = find<QGroupBox>("GB_logger_add");
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->title(), QString("Mill Lane"));
        QCOMPARE(find<QListWidget>("bsSkinListBox1")->count(), 0);
        QCOMPARE(g.corr_std_grp.dev_type, family_corr);
        QVERIFY(!ribbon);
        QVERIFY(find<QCheckBox>("CB_autodetect")->isEnabled());
        QVERIFY(!find<QCheckBox>("CB_autodetect")->isChecked());
    }

    void section_without_comment_lists_x() {
        write(data + "std_grp.ini", "[total]\r\ncount=1\r\ncomment=S\r\n[1]\r\nID=77\r\n");
        std::filesystem::create_directories(data + "Pelquor");
        page->show_tree();
        click("Pelquor");
        dialogs.inputs = {"S"};
        page->set1Click();
        auto* list = find<QListWidget>("bsSkinListBox1");
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QString("LOG1: ID=77, x"));
        // Typed additions, then removal of the selected row.
        dialogs.inputs = {"4660", "valve"};
        QTest::mouseClick(find<QPushButton>("bsSkinButtonLabel71"), Qt::LeftButton);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), QString("LOG2: ID=4660, valve"));
        list->setCurrentRow(0);
        dialogs.answers = {true};
        QTest::mouseClick(find<QPushButton>("bsSkinButtonLabel72"), Qt::LeftButton);
        QCOMPARE(dialogs.texts("question"), std::vector<std::string>({"x T202?"}));
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QString("LOG1: ID=4660, valve"));
    }

    void ok_makes_the_group() {
        write(data + "std_grp.ini", "[total]\r\ncount=2\r\n[1]\r\nID=4101\r\ncomment=a\r\n"
                                    "[2]\r\nID=4102\r\ncomment=b\r\n");
        std::filesystem::create_directories(data + "Pelquor/Town");
        page->show_tree();
        click("Pelquor/Town");
        dialogs.inputs = {"Mill Lane"};
        page->set1Click();
        dialogs.answers = {true}; // night
        QTest::mouseClick(find<QPushButton>("bsSkinButtonLabel73"), Qt::LeftButton);
        const std::string file = data + "Pelquor/Town/Mill Lane/corr_grp.ini";
        QVERIFY(std::filesystem::exists(file));
        QCOMPARE(key(file, "comm", "start"), std::string("2"));
        QCOMPARE(key(file, "comm", "stop"), std::string("4"));
        QCOMPARE(key(file, "comm", "meas_delta"), std::string("60"));
        QCOMPARE(key(file, "comm", "blocks"), std::string("10"));
        QCOMPARE(key(file, "comm", "interval"), std::string("30"));
        QCOMPARE(key(file, "log2", "ID"), std::string("4102"));
        QVERIFY(!find<QGroupBox>("GB_logger_add")->isVisible());
        QVERIFY(ribbon);
        QCOMPARE(tree()->currentItem(), item("Pelquor/Town/Mill Lane"));
        QCOMPARE(item("Pelquor/Town/Mill Lane")->data(0, Qt::UserRole + 1).toInt(), 2);
        QCOMPARE(find<QComboBox>("CB_start")->currentText(), QString("02:00"));
        QCOMPARE(find<QLineEdit>("LC_1")->text(), QString("a"));
        // The range selector is open for the new group; a click switches family.
        auto* range = find<RadioGroup>("RG_range");
        QVERIFY(range->isEnabled());
        QCOMPARE(range->item_index(), 0);
        QTest::mouseClick(range->button(1), Qt::LeftButton);
        QCOMPARE(key(file, "comm", "range_mode"), std::string("2"));
        QCOMPARE(key(file, "comm", "dev_type"), std::string("112"));
        QCOMPARE(g.sample_rate, 1638);
    }

    void ok_on_a_group_node_creates_nothing() {
        group("Pelquor/A", 1, 1);
        page->show_tree();
        click("Pelquor/A");
        g.corr_std_grp.comment = "New";
        dialogs.answers = {true};
        page->bsSkinButtonLabel73Click();
        QVERIFY(!exists("Pelquor/A/New"));
        QCOMPARE(dialogs.texts("confirm"), std::vector<std::string>({"T252"}));
        QCOMPARE(key(data + "Pelquor/A/corr_grp.ini", "comm", "count"), std::string("1"));
    }

    void removing_logger_two_of_four_keeps_pipe_two_three() {
        std::string t = group_text(1, 4);
        t.replace(t.find("count=4"), 7, "count=4\r\npipes_count=3");
        for (auto [i, a, b] :
             std::initializer_list<std::tuple<int, int, int>>{{1, 1, 2}, {2, 2, 3}, {3, 3, 4}})
            t += "[pipe_" + std::to_string(i) + "]\r\nlength=" + std::to_string(10 * i) +
                 "\r\nlog1=" + std::to_string(a) + "\r\nlog2=" + std::to_string(b) +
                 "\r\nsections=0\r\n";
        write(data + "Pelquor/T/G/corr_grp.ini", t);
        page->show_tree();
        click("Pelquor/T/G");
        dialogs.answers = {true};
        QTest::mouseClick(find<QToolButton>("n3_del_2"), Qt::LeftButton);
        const std::string file = data + "Pelquor/T/G/corr_grp.ini";
        QCOMPARE(key(file, "comm", "count"), std::string("3"));
        QCOMPARE(key(file, "log2", "ID"), std::string("4103"));
        QCOMPARE(key(file, "comm", "pipes_count"), std::string("1"));
        QCOMPARE(key(file, "pipe_1", "log1"), std::string("2"));
        QCOMPARE(key(file, "pipe_1", "log2"), std::string("3"));
        QCOMPARE(key(file, "pipe_1", "length"), std::string("30"));
        QCOMPARE(find<QLineEdit>("LID_2")->text(), QString("4103"));
        QVERIFY(!find<QGroupBox>("GB_4")->isVisible());
    }

    void removing_the_only_logger_deletes_folder_and_node() {
        group("Pelquor/T/G", 2, 1);
        page->show_tree();
        click("Pelquor/T/G");
        dialogs.answers = {true};
        QTest::mouseClick(find<QToolButton>("n3_del_1"), Qt::LeftButton);
        QVERIFY(!exists("Pelquor/T/G"));
        QVERIFY(exists("Pelquor/T"));
        QVERIFY(item("Pelquor/T/G") == nullptr);
        QVERIFY(item("Pelquor/T") != nullptr);
    }

    void first_start_with_detection_to_a_saved_first_group() {
        QVERIFY(!exists(""));
        dialogs.inputs = {"Town", "First"};
        page->setup_tree_structure();
        QVERIFY(exists("Pelquor/Town"));
        QCOMPARE(dialogs.texts("message"), std::vector<std::string>({"T240", "T241"}));
        QVERIFY(find<QGroupBox>("GB_logger_add")->isVisible());
        QVERIFY(!ribbon);

        // Detection: two loggers of the family Corr, one hydrophone between.
        radio.heard = {0, (104u << 16) | 4101u, (112u << 16) | 9u, (112u << 16) | 9u,
                       (104u << 16) | 4102u};
        dialogs.answers = {true, true};
        auto* cb = find<QCheckBox>("CB_autodetect");
        QTest::mouseClick(cb, Qt::LeftButton);
        QVERIFY(radio.listening);
        QVERIFY(!find<QPushButton>("bsSkinButtonLabel71")->isEnabled());
        auto* timer = page->findChild<QTimer*>("timer_autodetect");
        QVERIFY(timer && timer->isActive());
        QCOMPARE(timer->interval(), 500);
        bool blinked = false;
        for (int i = 0; i < 5; ++i) {
            page->timer_autodetectTimer();
            blinked = blinked || find<QLabel>("Image7")->isVisible();
        }
        QVERIFY(blinked);
        QCOMPARE(find<QListWidget>("bsSkinListBox1")->count(), 2);
        QCOMPARE(dialogs.texts("message").back(),
                 std::string("corr and hydro not allowed in one group"));
        QCOMPARE(dialogs.texts("message").size(), size_t(3));

        dialogs.answers = {false}; // second button: instant
        QTest::mouseClick(find<QPushButton>("bsSkinButtonLabel73"), Qt::LeftButton);
        QVERIFY(!radio.listening);
        QVERIFY(!timer->isActive());
        const std::string file = data + "Pelquor/Town/First/corr_grp.ini";
        QVERIFY(std::filesystem::exists(file));
        QCOMPARE(key(file, "comm", "count"), std::string("2"));
        QCOMPARE(key(file, "comm", "meas_mode"), std::string("2"));
        QCOMPARE(key(file, "log1", "ID"), std::string("4101"));
        QVERIFY(!g.first_group_pending);
        QVERIFY(ribbon);
        QVERIFY(find<QGroupBox>("GB_inst")->isVisible());
        QVERIFY(!find<QComboBox>("CB_start")->isEnabled());
        QCOMPARE(tree()->currentItem(), item("Pelquor/Town/First"));
    }

    void detection_disabled_without_interface() {
        radio.is_present = false;
        std::filesystem::create_directories(data + "Pelquor");
        page->show_tree();
        click("Pelquor");
        dialogs.inputs = {"S"};
        page->set1Click();
        QVERIFY(!find<QCheckBox>("CB_autodetect")->isEnabled());
    }

    void method_selector_follows_the_group_without_a_click() {
        RadioGroup method("bsSkinRadioGroup3", "", {"MBC", "ABC"});
        int clicks = 0;
        connect(&method, &RadioGroup::itemClicked, [&](int) { ++clicks; });
        page->attach_method_selector(&method);
        group("Pelquor/A", 1, 1); // c_mode defaults to 1
        page->show_tree();
        click("Pelquor/A");
        QCOMPARE(method.item_index(), 1);
        QCOMPARE(clicks, 0);
        page->correlation_method_click(0);
        QCOMPARE(key(data + "Pelquor/A/corr_grp.ini", "comm", "c_mode"), std::string("0"));
    }
};

QTEST_MAIN(GroupsPageTest)
#include "groups_page.moc"
