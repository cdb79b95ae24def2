// The whole measurement through the window: the demo site's group opened at
// start, then "program", "read" and "correlate" on the simulated interface.
#include "groups/ui/group_page.h"
#include "shell/ui/main_window.h"
#include "shell/ui/wiring.h"

#include <QGroupBox>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace pelquor;

class ShellWiring : public QObject {
    Q_OBJECT
  private slots:
    void program_read_correlate() {
        const QString bin = qEnvironmentVariable("PELQUOR_BIN_DIR");
        QTemporaryDir home;
        const QString sock = home.path() + "/radio.sock";
        QProcess sim;
        sim.start(bin + "/trevo-radiosim", {"--socket", sock, "--site", bin + "/sites/demo.site"});
        QVERIFY(sim.waitForStarted());
        QTRY_VERIFY(QFile::exists(sock));
        QCOMPARE(QProcess::execute(bin + "/pelquor-cli", {"demo-home", home.path()}), 0);
        qputenv("TREVOPELQUOR_HOME", home.path().toUtf8());
        qputenv("TREVOHID_SIM", ("2047:ffeb:TRTEST:0154@" + sock).toUtf8());

        ScriptedDialogs dialogs;
        dialogs.default_answer = true;
        TextProgress progress;
        progress.real_sleep = false;
        TForm1 w;
        w.set_dialogs(&dialogs);
        w.set_progress(&progress);
        w.timer3()->stop();
        w.FormCreate((bin + "/config/").toStdString());
        ProgramWiring wiring(w);
        w.start_form_ok();

        const auto& set = w.state().group.corr_log_set;
        QCOMPARE(set.count, 5);
        QCOMPARE(w.state().group.group_not_loaded, false);

        w.bsSkinButtonLabel69Click(); // program and synchronise
        QVERIFY2(set.sync_time != 0, "the group records its synchronisation");
        w.bsSkinButtonLabel68Click(); // read
        w.bsSkinButtonLabel67Click(); // correlate
        QVERIFY(wiring.correlations_box()->isVisible());
        QListWidget* rows = wiring.results_list();
        QCOMPARE(rows->count(), 10);
        QVERIFY2(rows->item(0)->text().startsWith("4101: "), qPrintable(rows->item(0)->text()));
        QVERIFY2(rows->item(0)->text().contains("-> 72."), qPrintable(rows->item(0)->text()));
        for (const auto& e : dialogs.log)
            QVERIFY2(e.kind != "error", e.text.c_str());

        // "folder" brings the tree back in place of the results.
        w.bsSkinButtonLabel70Click();
        QVERIFY(!wiring.correlations_box()->isVisible());
        sim.kill();
        sim.waitForFinished();
    }
};

QTEST_MAIN(ShellWiring)
#include "shell_wiring.moc"
