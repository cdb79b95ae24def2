// The group page hosted as work page 4 of the main window, wired as the
// window wires it: names stay unique, the ribbon and caption follow the page.
#include "groups/ui/group_page.h"

#include "shell/files.h"
#include "shell/ui/main_window.h"
#include "shell/ui/ribbon.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>

using namespace pelquor;

class GroupsInWindow : public QObject {
    Q_OBJECT
  private slots:
    void hosted_first_start() {
        QTemporaryDir home;
        qputenv("TREVOPELQUOR_HOME", home.path().toUtf8());
        ScriptedDialogs dialogs;
        TForm1 w;
        w.set_dialogs(&dialogs);
        w.timer3()->stop();
        w.FormCreate(qEnvironmentVariable("PELQUOR_SOURCE_DIR").toStdString() + "/config/");
        dialogs.log.clear();

        auto& st = w.state();
        auto* page = new GroupPage(st.group, st.settings, st.texts, w.dialogs(), nullptr);
        page->page_hooks.show_ribbon = [&](bool v) { w.ribbon()->setVisible(v); };
        page->page_hooks.window_caption = [&](const QString& c) { w.setWindowTitle(c); };
        w.set_work_page(page_group, page);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        for (const char* name : {"GB_tree",
                                 "bsSkinTreeView1",
                                 "Edit2",
                                 "bsSkinButtonLabel28",
                                 "GB_loggers",
                                 "GB_1",
                                 "LC_8",
                                 "n3_del_3",
                                 "bsSkinButtonLabel37",
                                 "bsSkinButtonLabel11",
                                 "Memo3",
                                 "GB_night",
                                 "GB_inst",
                                 "CB_start",
                                 "CB_stop",
                                 "RG_range",
                                 "GB_logger_add",
                                 "bsSkinListBox1",
                                 "bsSkinButtonLabel2",
                                 "bsSkinButtonLabel71",
                                 "bsSkinButtonLabel73",
                                 "CB_autodetect",
                                 "Image7",
                                 "timer_autodetect",
                                 "PopupMenu1"})
            QVERIFY2(w.findChildren<QObject*>(name).size() == 1, name);

        const std::string data = st.settings.data_dir;
        QVERIFY(!data.empty());
        QVERIFY(!std::filesystem::exists(data));
        dialogs.inputs = {"Town", "First", "4101", "hydrant"};
        page->setup_tree_structure();
        QVERIFY(!w.ribbon()->isVisible());
        QVERIFY(w.findChild<QGroupBox*>("GB_logger_add")->isVisible());
        QTest::mouseClick(w.findChild<QPushButton*>("bsSkinButtonLabel71"), Qt::LeftButton);
        dialogs.answers = {true};
        QTest::mouseClick(w.findChild<QPushButton*>("bsSkinButtonLabel73"), Qt::LeftButton);
        QVERIFY(w.ribbon()->isVisible());
        QVERIFY(std::filesystem::exists(data + "Pelquor/Town/First/corr_grp.ini"));
        QCOMPARE(w.windowTitle(), QString("TrevoPelquor, 1.54, First"));
        QCOMPARE(w.findChild<QLineEdit*>("LID_1")->text(), QString("4101"));
    }
};

QTEST_MAIN(GroupsInWindow)
#include "groups_in_window.moc"
