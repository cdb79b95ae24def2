// Input dialog, yes/no form, progress pop-up and start form.
#include "shell/files.h"
#include "shell/ui/input_dialog.h"
#include "shell/ui/main_window.h"
#include "shell/ui/popup.h"
#include "shell/ui/startbild.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace pelquor;

class ShellDialogs : public QObject {
    Q_OBJECT
  private slots:
    void input_key_filter_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("integer refuses comma") << "integer"
                                               << "1,5"
                                               << "15";
        QTest::newRow("integer refuses point and letters") << "integer"
                                                           << "2.a7-"
                                                           << "27";
        QTest::newRow("float takes comma and point") << "float"
                                                     << "1,5.2x"
                                                     << "1,5.2";
        QTest::newRow("other formats take all") << "text"
                                                << "ab,1"
                                                << "ab,1";
    }
    void input_key_filter() {
        QFETCH(QString, format);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        TF_input d;
        d.prepare("label", "", format);
        QTest::keyClicks(d.Edit1, typed);
        QCOMPARE(d.Edit1->text(), kept);
        QTest::keyClick(d.Edit1, Qt::Key_Backspace);
        QCOMPARE(d.Edit1->text(), kept.left(kept.size() - 1));
    }

    void input_enter_acts_as_ok() {
        TF_input d;
        QString val = "120";
        QTimer::singleShot(0, &d, [&] {
            QCOMPARE(d.Label1->text(), QString("Velocity"));
            QCOMPARE(d.Edit1->text(), QString("120"));
            d.Edit1->selectAll();
            QTest::keyClicks(d.Edit1, "1350");
            QTest::keyClick(d.Edit1, Qt::Key_Return);
        });
        QVERIFY(d.get_input("Velocity", val, "integer"));
        QCOMPARE(val, QString("1350"));
        QTimer::singleShot(0, &d, [&] { d.cancel->click(); });
        QString val2 = "5";
        QVERIFY(!d.get_input("x", val2, "integer"));
        QCOMPARE(val2, QString("5"));
    }

    void yes_no_form() {
        TYesNoForm f;
        QString text = "100";
        QTimer::singleShot(0, &f, [&] { f.no->click(); });
        QVERIFY(!f.ask("Distance", true, text, "OK", "Cancel"));
        QCOMPARE(f.yes->text(), QString("ja")); // captions return afterwards
        QTimer::singleShot(0, &f, [&] { f.yes->click(); });
        QVERIFY(f.ask("Outside?", false, text));
        QCOMPARE(f.pos(), QPoint(80, 80));
    }

    void popup_gauge_rules() {
        TPopUp p;
        p.show_easy_guide(40, "step");
        QVERIFY(p.isVisible());
        QCOMPARE(p.label()->text(), QString("step"));
        QCOMPARE(p.gauge()->value(), 40);
        QVERIFY(p.gauge()->isVisible());
        p.show_easy_guide(105, "more"); // above 100: unchanged
        QCOMPARE(p.gauge()->value(), 40);
        p.inc_easy_guide(15);
        QCOMPARE(p.gauge()->value(), 55);
        p.show_easy_guide(0, "text only");
        QVERIFY(!p.gauge()->isVisible());
        QTest::mouseClick(&p, Qt::LeftButton);
        QVERIFY(!p.isVisible());
        p.show_easy_guide(1, "again");
        p.hide_easy_guide();
        QVERIFY(!p.isVisible());
    }

    void wait_ms_runs_events() {
        bool fired = false;
        QTimer::singleShot(20, [&] { fired = true; });
        QElapsedTimer t;
        t.start();
        wait_ms(80);
        QVERIFY(t.elapsed() >= 80);
        QVERIFY(fired);
    }

    void start_form() {
        QTemporaryDir home;
        qputenv("TREVOPELQUOR_HOME", home.path().toUtf8());
        const std::string cfg = home.path().toStdString() + "/Trevolant/TrevoPelquor/config/";
        create_folder(home.path().toStdString() + "/Trevolant/");
        create_folder(home.path().toStdString() + "/Trevolant/TrevoPelquor/");
        create_folder(cfg);
        write_file_atomic(cfg + "trevo_pelquor.ini",
                          "[user]\nlanguage=deutsch\n[system]\nversion=1.54\n");
        write_file_atomic(cfg + "english.csv", "247;missing\n500;old\n");
        write_file_atomic(cfg + "deutsch.csv", "247;fehlt\n500;alt\n");
        write_file_atomic(cfg + "francais.csv", "247;manque\n");
        TForm1 w;
        ScriptedDialogs d;
        w.set_dialogs(&d);
        w.timer3()->stop();
        w.FormCreate(home.path().toStdString() + "/none");

        int checks = 0;
        w.hooks().radio_present = [&] { return ++checks == 2; }; // found on the second look
        Tstartbild s(w);
        s.FormCreate();
        QCOMPARE(s.ComboBox1->itemText(0), QString("deutsch"));
        QStringList rest;
        for (int i = 1; i < s.ComboBox1->count(); ++i)
            rest << s.ComboBox1->itemText(i);
        rest.sort();
        QCOMPARE(rest, (QStringList{"english", "francais"}));
        QCOMPARE(d.texts("message"), std::vector<std::string>{"fehlt"});
        QVERIFY(!s.IM_ok->isHidden());
        QVERIFY(s.IM_nok->isHidden());

        // Still missing after the second look.
        d.log.clear();
        w.hooks().radio_present = [] { return false; };
        s.check_radio();
        QCOMPARE(d.texts("message").size(), size_t(1));
        QVERIFY(s.IM_ok->isHidden());
        QVERIFY(!s.IM_nok->isHidden());

        // Picking a language reloads the table; texts it lacks stay.
        s.ComboBox1->setCurrentIndex(s.ComboBox1->findText("francais"));
        QCOMPARE(w.state().settings.language, std::string("francais"));
        QCOMPARE(w.state().texts(247), std::string("manque"));
        QCOMPARE(w.state().texts(500), std::string("alt"));

        // OK runs the rest of the start sequence.
        QStringList order;
        w.hooks().load_materials = [&] { order << "materials"; };
        w.hooks().setup_archive = [&] { order << "archive"; };
        w.hooks().recall_last_node = [&] { order << "last"; };
        w.hooks().layout_corrlog = [&] { order << "corrlog"; };
        QTimer::singleShot(0, &s, [&] { s.ok_button->click(); });
        QCOMPARE(s.exec(), int(QDialog::Accepted));
        QCOMPARE(order, (QStringList{"materials", "archive", "last", "corrlog"}));
        QCOMPARE(s.pos(), QPoint(30, 30));
    }
};

QTEST_MAIN(ShellDialogs)
#include "shell_dialogs.moc"
