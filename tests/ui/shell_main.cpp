// The main window: captions by tag, page switching, clock buttons, countdown.
#include "shell/files.h"
#include "shell/ui/input_dialog.h"
#include "shell/ui/main_window.h"
#include "shell/ui/radio_group.h"
#include "shell/ui/ribbon.h"
#include "shell/ui/tags.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace pelquor;

namespace {

std::string source_config() {
    return qEnvironmentVariable("PELQUOR_SOURCE_DIR").toStdString() + "/config";
}

// A window on a fresh documents folder whose config holds the given files.
struct Fixture {
    QTemporaryDir home;
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> w;
    int saves = 0;

    explicit Fixture(const std::map<std::string, std::string>& config_files = {}) {
        qputenv("TREVOPELQUOR_HOME", home.path().toUtf8());
        const std::string cfg = home.path().toStdString() + "/Trevolant/TrevoPelquor/config/";
        if (!config_files.empty()) {
            create_folder(home.path().toStdString() + "/Trevolant/");
            create_folder(home.path().toStdString() + "/Trevolant/TrevoPelquor/");
            create_folder(cfg);
            for (const auto& [name, text] : config_files)
                write_file_atomic(cfg + name, text);
        }
        w = std::make_unique<TForm1>();
        w->set_dialogs(&dialogs);
        w->timer3()->stop();
        w->hooks().save_group = [this] { ++saves; };
        // An empty shipped folder keeps the files written above.
        w->FormCreate(config_files.empty() ? source_config() : home.path().toStdString() + "/none");
        dialogs.log.clear();
    }
    template <class T> T* find(const char* name) const {
        T* c = w->findChild<T*>(name);
        if (!c)
            qFatal("control %s missing", name);
        return c;
    }
};

const std::string settings_154 = "[user]\nlanguage=testlang\n[system]\nversion=1.54\n";

} // namespace

class ShellMain : public QObject {
    Q_OBJECT
  private slots:
    void caption_after_start() {
        Fixture f;
        QCOMPARE(f.w->windowTitle(), QString("TrevoPelquor, 1.54"));
        QCOMPARE(f.w->current_work_page(), int(page_group));
        QCOMPARE(f.w->ribbon()->current_index(), int(tab_main));
        QVERIFY(f.w->page_control()->tabBar()->isHidden());
        QVERIFY(!f.w->ribbon()->is_tab_visible(tab_analysis));
    }

    void captions_by_tag() {
        Fixture f({{"trevo_pelquor.ini", settings_154},
                   {"testlang.csv", "226;KORR\n463;ENDE\n465;HAUPT\n480;FW\n472;LOGO-HINT\n"
                                    "49;J\n50;N\n45;O\n57;A\n64;EINHEIT\n110;KLICK\n"}});
        QCOMPARE(f.w->state().settings.language, std::string("testlang"));
        QCOMPARE(f.find<QToolButton>("bsSkinButtonLabel67")->text(), QString("KORR"));
        QCOMPARE(f.find<QAction>("quit1")->text(), QString("ENDE"));
        QCOMPARE(f.w->ribbon()->tab_text(tab_main), QString("HAUPT"));
        QCOMPARE(f.find<QGroupBox>("GB_config")->title(), QString("FW"));
        QCOMPARE(f.find<QGroupBox>("bsSkinRadioGroup1")->title(), QString("EINHEIT"));
        QCOMPARE(f.find<QGroupBox>("bsSkinRadioGroup2")->title(), QString("KLICK"));
        // A picture takes its text as hint, not as caption.
        auto* logo = f.find<QLabel>("Image19");
        QCOMPARE(logo->toolTip(), QString("LOGO-HINT"));
        QVERIFY(logo->text().isEmpty());
        // Tag 0 keeps the built-in caption; texts missing from the file too.
        QCOMPARE(f.find<QToolButton>("bsSkinButtonLabel25")->text(), QString("GPS"));
        QCOMPARE(f.find<QToolButton>("bsSkinButtonLabel69")->text(), QString("program"));
        // The other windows: yes/no form, input dialog, pop-up.
        QCOMPARE(f.w->yes_no_form()->yes->text() + f.w->yes_no_form()->no->text(), QString("JN"));
        QCOMPARE(f.w->input_form()->ok->text() + f.w->input_form()->cancel->text(), QString("OA"));
        // Dialog buttons.
        const auto& b = f.w->qt_dialogs().buttons;
        QCOMPARE(b.yes + b.no + b.ok + b.cancel, QString("JNOA"));
    }

    void every_ribbon_command_with_its_tag() {
        struct Command {
            const char* name;
            int tab;
            int tag;
        };
        const Command commands[] = {
            {"bsSkinButtonLabel67", tab_main, 226},    {"bsSkinButtonLabel68", tab_main, 212},
            {"bsSkinButtonLabel69", tab_main, 211},    {"bsSkinButtonLabel70", tab_main, 210},
            {"bsSkinButtonLabel46", tab_main, 228},    {"bsSkinButtonLabel43", tab_main, 214},
            {"bsSkinButtonLabel54", tab_main, 69},     {"bsSkinRadioGroup2", tab_main, 110},
            {"bsSkinRadioGroup3", tab_main, 111},      {"bsSkinButtonLabel26", tab_map, 2},
            {"bsSkinButtonLabel22", tab_map, 316},     {"bsSkinButtonLabel23", tab_map, 202},
            {"bsSkinButtonLabel25", tab_map, 0},       {"bsSkinButtonLabel4", tab_map, 447},
            {"bsSkinButtonLabel76", tab_map, 257},     {"bsSkinButtonLabel13", tab_map, 407},
            {"bsSkinButtonLabel27", tab_map, 421},     {"bsSkinButtonLabel5", tab_map, 430},
            {"bsSkinButtonLabel34", tab_map, 431},     {"bsSkinButtonLabel8", tab_analysis, 85},
            {"bsSkinButtonLabel10", tab_analysis, 51}, {"bsSkinButtonLabel9", tab_analysis, 0},
            {"bsSkinButtonLabel12", tab_analysis, 0},  {"bsSkinButtonLabel21", tab_analysis, 42},
        };
        Fixture f;
        const LangTexts& t = f.w->state().texts;
        for (const auto& c : commands) {
            QWidget* w = f.find<QWidget>(c.name);
            QCOMPARE(tag_of(w), c.tag);
            QVERIFY2(f.w->ribbon()->page(c.tab)->isAncestorOf(w), c.name);
            if (c.tag != 0) {
                QVERIFY2(!t(c.tag).empty(), c.name);
                const QString shown = qobject_cast<QGroupBox*>(w)
                                          ? qobject_cast<QGroupBox*>(w)->title()
                                          : qobject_cast<QAbstractButton*>(w)->text();
                QCOMPARE(shown, qtext(t, c.tag));
            }
        }
        QStringList menu;
        for (QAction* a : f.w->ribbon()->app_menu()->actions())
            if (!a->isSeparator())
                menu << a->objectName();
        QCOMPARE(menu, (QStringList{"print1", "help1", "shutofftimer1", "quit1"}));
        const char* pages[] = {"bsRibbonPage6", "bsRibbonPage4", "bsRibbonPage5", "bsRibbonPage1"};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(f.w->ribbon()->page(i)->objectName(), QString(pages[i]));
    }

    void edit_fields_keep_their_text() {
        Fixture f({{"trevo_pelquor.ini", settings_154}, {"testlang.csv", "300;hint\n"}});
        auto* e = new QLineEdit("typed", f.w->work_page(page_options));
        set_tag(e, 300);
        f.w->apply_language();
        QCOMPARE(e->text(), QString("typed"));
    }

    void hosted_page_gets_texts() {
        Fixture f({{"trevo_pelquor.ini", settings_154}, {"testlang.csv", "42;TABELLE\n"}});
        auto* page = new QWidget;
        auto* b = new QToolButton(page);
        b->setObjectName("hosted");
        set_tag(b, 42);
        f.w->set_work_page(page_pipe, page);
        QCOMPARE(b->text(), QString("TABELLE"));
        QCOMPARE(f.w->work_page(page_pipe)->findChild<QToolButton*>("hosted"), b);
        QCOMPARE(page->parentWidget(), f.w->work_page(page_pipe));
    }

    void missing_language_falls_back_to_english() {
        Fixture f({{"trevo_pelquor.ini", "[user]\nlanguage=klingon\n[system]\nversion=1.54\n"},
                   {"english.csv", "226;Correlate!\n"}});
        QCOMPARE(f.w->state().settings.language, std::string("english"));
        QCOMPARE(f.find<QToolButton>("bsSkinButtonLabel67")->text(), QString("Correlate!"));
    }

    void set_text_items() {
        Fixture f;
        auto* rg = f.find<RadioGroup>("bsSkinRadioGroup2");
        QCOMPARE(rg->item_text(0), QString("main window"));
        QCOMPARE(rg->item_text(1), QString("single block"));
        auto* method = f.find<RadioGroup>("bsSkinRadioGroup3");
        QCOMPARE(method->item_text(0), QString("MBC"));
        QCOMPARE(method->item_index(), 1);
    }

    void my_dialog_result() {
        Fixture f;
        f.dialogs.answers = {true, false};
        QVERIFY(!f.w->my_dialog("Corr", "Vellmar", "")); // first button
        QVERIFY(f.w->my_dialog("Corr", "Vellmar", ""));  // second button
    }

    void page_switching() {
        struct Step {
            int tab;
            int page;
        };
        Fixture f;
        const Step steps[] = {{tab_map, page_map},
                              {tab_options, page_options},
                              {tab_main, page_group},
                              {tab_analysis, page_correlation}};
        for (const auto& s : steps) {
            f.w->bsRibbon1ChangePage(s.tab);
            QCOMPARE(f.w->current_work_page(), s.page);
        }
        QCOMPARE(f.saves, 0); // leaving pages other than the pipe page does not save

        // Leaving the pipe page for any other page saves the group once.
        for (int tab : {tab_main, tab_map, tab_options, tab_analysis}) {
            f.saves = 0;
            f.w->show_work_page(page_pipe);
            f.w->bsRibbon1ChangePage(tab);
            QCOMPARE(f.saves, 1);
        }
    }

    void main_page_correlates_again_when_results_shown() {
        Fixture f;
        int runs = 0;
        f.w->set_command("bsSkinButtonLabel67", [&] { ++runs; });
        auto* page = new QWidget;
        auto* results = new QGroupBox(page);
        results->setObjectName("GB_correlations");
        f.w->set_work_page(page_group, page);
        f.w->show();
        f.w->bsRibbon1ChangePage(tab_map);
        f.w->bsRibbon1ChangePage(tab_main);
        QCOMPARE(runs, 1);
        results->hide();
        f.w->bsRibbon1ChangePage(tab_main);
        QCOMPARE(runs, 1);
    }

    void splitter_counts_every_second_move() {
        Fixture f;
        f.w->bsSkinSplitter2Moved(150);
        QCOMPARE(f.w->state().settings.coh_height, 120);
        f.w->bsSkinSplitter2Moved(160);
        QCOMPARE(f.w->state().settings.coh_height, 160);
    }

    void analysis_tab_hidden_again() {
        Fixture f;
        f.w->show_analysis_tab();
        QVERIFY(f.w->ribbon()->is_tab_visible(tab_analysis));
        QCOMPARE(f.w->current_work_page(), int(page_correlation));
        f.w->ribbon()->set_current_index(tab_map);
        QVERIFY(!f.w->ribbon()->is_tab_visible(tab_analysis));
        QCOMPARE(f.w->current_work_page(), int(page_map));
    }

    void pipe_table_button_hidden_for_composite_pipe() {
        Fixture f;
        auto& s = f.w->state().group.corr_log_set;
        s.actual_pipe = 29;
        s.pipes[29].multi_sec = 1;
        f.w->bsRibbon1ChangePage(tab_analysis);
        QVERIFY(f.find<QToolButton>("bsSkinButtonLabel21")->isHidden());
        s.pipes[29].multi_sec = 0;
        f.w->bsRibbon1ChangePage(tab_analysis);
        QVERIFY(!f.find<QToolButton>("bsSkinButtonLabel21")->isHidden());
    }

    void meas_delta_limits() {
        struct Case {
            int before;
            bool plus;
            int after;
        };
        const Case cases[] = {{3300, true, 3600}, {3600, true, 3600}, {60, true, 360},
                              {120, false, 60},   {60, false, 60},    {90, false, 90},
                              {3600, false, 3540}};
        Fixture f;
        for (const auto& c : cases) {
            f.w->state().group.corr_log_set.meas_delta = c.before;
            f.saves = 0;
            QToolButton* b =
                f.find<QToolButton>(c.plus ? "bsSkinButtonLabel38" : "bsSkinButtonLabel42");
            b->click();
            QCOMPARE(f.w->state().group.corr_log_set.meas_delta, c.after);
            QCOMPARE(f.saves, 1);
        }
    }

    void clock_states() {
        Fixture f;
        FixedClock clock(12 * 3600 + 30 * 60);
        f.w->set_clock(&clock);
        f.w->state().group.corr_log_set.meas_delta = 600;
        f.w->show();
        f.w->state().group.prog_state = 1;
        f.w->set_clock_running(true);
        QVERIFY(f.w->clock_timer()->isActive());
        QVERIFY(f.find<QWidget>("RG_clock")->isVisible());
        QCOMPARE(f.find<QLabel>("SL_time")->text().left(5), QString("12:30"));
        QVERIFY(f.find<QLabel>("SL_at")->text().startsWith("12:40"));
        QCOMPARE(f.find<QLabel>("SL_in")->text(), QString("10 min"));
        QVERIFY(f.find<QToolButton>("bsSkinButtonLabel38")->isVisible());
        QVERIFY(f.find<QLabel>("bsSkinStdLabel30")->isVisible());
        f.w->state().group.prog_state = 2;
        f.w->clockTimer();
        QVERIFY(!f.find<QToolButton>("bsSkinButtonLabel38")->isVisible());
        QVERIFY(!f.find<QLabel>("SL_in")->isVisible());
        QVERIFY(f.find<QLabel>("SL_at")->styleSheet().contains("red"));
        f.w->state().group.prog_state = 0;
        f.w->clockTimer();
        QVERIFY(!f.find<QLabel>("bsSkinStdLabel30")->isVisible());
        f.w->set_clock_running(false);
        QVERIFY(!f.w->clock_timer()->isActive());
        QVERIFY(!f.find<QWidget>("RG_clock")->isVisible());
    }

    void countdown_after_programming() {
        Fixture f;
        f.w->show();
        auto* time = f.find<QLabel>("SL_count_down2");
        auto* phase = f.find<QLabel>("label_shutoff3");
        const QString t437 = f.w->lang_text(437), t438 = f.w->lang_text(438);
        QVERIFY(!t437.isEmpty() && !t438.isEmpty());
        f.w->sec_timer()->setInterval(3600 * 1000); // ticks are driven by hand
        f.w->start_countdown(1, 120);
        QVERIFY(f.w->sec_timer()->isActive());
        QStringList shown;
        for (int i = 0; i < 120; ++i) {
            f.w->sec_timerTimer();
            QCOMPARE(phase->text(), t437);
            shown << time->text();
        }
        QCOMPARE(shown.front(), QString("01:59"));
        QCOMPARE(shown.back(), QString("00:00"));
        QVERIFY(f.find<QFrame>("panel_countdown")->isVisible());
        f.w->sec_timerTimer(); // time is up: recording phase of 6 minutes
        QCOMPARE(f.w->countdown_phase(), 2);
        QCOMPARE(f.w->countdown_remaining(), 360);
        f.w->sec_timerTimer();
        QCOMPARE(phase->text(), t438);
        QCOMPARE(time->text(), QString("05:59"));
        for (int i = 0; i < 359; ++i)
            f.w->sec_timerTimer();
        QCOMPARE(time->text(), QString("00:00"));
        QVERIFY(f.w->sec_timer()->isActive());
        f.w->sec_timerTimer();
        QVERIFY(!f.w->sec_timer()->isActive());
    }

    void shutoff_timer() {
        Fixture f;
        f.w->show();
        f.w->sec_timer()->setInterval(3600 * 1000); // ticks are driven by hand
        f.w->shutoff_counter();
        QVERIFY(f.w->sec_timer()->isActive());
        QCOMPARE(f.w->countdown_phase(), 3);
        f.w->sec_timerTimer();
        QCOMPARE(f.find<QLabel>("SL_count_down")->text(), QString("02:59"));
        QCOMPARE(f.find<QLabel>("label_shutoff")->text(), QString());
        // Running: the command only hides the panels, the next tick shows them.
        f.w->shutoff_counter();
        QVERIFY(!f.find<QFrame>("panel_countdown")->isVisible());
        QVERIFY(f.w->sec_timer()->isActive());
        f.w->sec_timerTimer();
        QVERIFY(f.find<QFrame>("panel_countdown")->isVisible());
        // A click on the remaining time stops it.
        QTest::mouseClick(f.find<QLabel>("SL_count_down"), Qt::LeftButton);
        QVERIFY(!f.w->sec_timer()->isActive());
        QCOMPARE(f.w->countdown_phase(), 0);
        QVERIFY(!f.find<QFrame>("panel_countdown")->isVisible());
    }

    void radio_commands_say_interface_missing() {
        Fixture f;
        const std::string t247 = f.w->state().texts(247);
        QVERIFY(!t247.empty());
        for (const char* name : {"bsSkinButtonLabel69", "bsSkinButtonLabel68",
                                 "bsSkinButtonLabel43", "bsSkinButtonLabel46"}) {
            f.dialogs.log.clear();
            f.find<QToolButton>(name)->click();
            QCOMPARE(f.dialogs.texts("message"), std::vector<std::string>{t247});
        }
        // A command pointed at an operation runs it instead.
        int runs = 0;
        f.w->set_command("bsSkinButtonLabel69", [&] { ++runs; });
        f.dialogs.log.clear();
        f.find<QToolButton>("bsSkinButtonLabel69")->click();
        QCOMPARE(runs, 1);
        QVERIFY(f.dialogs.log.empty());
    }

    void developer_mode() {
        Fixture f;
        auto* page = new QWidget;
        auto* import1 = new QToolButton(page);
        import1->setObjectName("bsSkinButtonLabel36");
        import1->hide();
        f.w->set_work_page(page_group, page);
        f.w->show();
        f.w->show_work_page(page_group);
        QTest::keyClick(f.w.get(), Qt::Key_F2, Qt::AltModifier);
        QVERIFY(f.w->dev_mode());
        QVERIFY(import1->isVisible());
        QVERIFY(!f.find<QWidget>("CB_10audio")->isHidden());
    }

    void help_file_falls_back_to_english() {
        Fixture f;
        f.w->state().settings.language = "klingon";
        QVERIFY(f.w->help_file().endsWith("/manuals/english.pdf"));
    }

    void status_line() {
        Fixture f;
        f.w->show();
        auto* s = f.find<QLabel>("StaticText1");
        f.w->set_status_bar(255, 0xFFFFFF, "warn");
        QVERIFY(s->isVisible());
        QCOMPARE(s->font().pointSize(), 10);
        QCOMPARE(s->palette().color(QPalette::Window), QColor(255, 0, 0));
        f.w->set_status_bar(0x00FF00, 0, "ok");
        QCOMPARE(s->font().pointSize(), 8);
        f.w->reset_status_bar();
        QVERIFY(!s->isVisible());
        const Tcolor back = f.w->state().colors.panels_back;
        QCOMPARE(s->palette().color(QPalette::Window),
                 QColor(back & 0xff, (back >> 8) & 0xff, (back >> 16) & 0xff));
    }

    void options_page_settings() {
        Fixture f;
        auto& s = f.w->state().settings;
        auto* edit = f.find<QLineEdit>("bsSkinEdit2");
        QCOMPARE(edit->text(), QString("Trevolant"));
        edit->clear();
        QTest::keyClicks(edit, "Stadtwerke");
        QCOMPARE(s.label, std::string("Stadtwerke"));
        f.find<RadioGroup>("bsSkinRadioGroup1")->set_item_index(1);
        QCOMPARE(int(s.m_unit), 1);
        f.find<RadioGroup>("RG_maptype")->set_item_index(0);
        QCOMPARE(s.map_type, 0);
        auto* looks = f.find<QComboBox>("bsSkinComboBox7");
        QVERIFY(looks->count() >= 3);
        looks->setCurrentIndex(2);
        QCOMPARE(s.skin_index, 2);
    }

    void close_saves_settings_only_on_same_version() {
        Fixture f({{"trevo_pelquor.ini", "[user]\nlabel=old\n[system]\nversion=1.53\n"},
                   {"english.csv", "45;OK\n"}});
        // Older version: update message shown at start, settings written then.
        f.w->state().settings.label = "changed";
        f.w->close();
        std::string text;
        read_file(f.w->state().folders.config + "trevo_pelquor.ini", text);
        QVERIFY(text.find("label=changed") == std::string::npos);
        QVERIFY(text.find("version=1.54") != std::string::npos);
    }
};

QTEST_MAIN(ShellMain)
#include "shell_main.moc"
