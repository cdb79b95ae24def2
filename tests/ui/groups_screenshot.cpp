// The group page with the demo group loaded, as the user sees it. The demo
// group is measured by `pelquor-cli demo` on the simulated interface when the
// tools are built; with PELQUOR_SCREENSHOT=<file.png> the page is saved there
// (docs/group_page.png is made this way under xvfb-run).
#include "groups/ui/group_page.h"

#include "analysis/levels.h"
#include "shell/files.h"
#include "shell/language.h"
#include "shell/ui/tags.h"

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <cmath>
#include <filesystem>
#include <memory>

using namespace pelquor;
namespace fs = std::filesystem;

namespace {

// A simple time-signal and spectrum picture of the logger's quietest block,
// standing in for the level analysis views in this picture.
QPixmap wave_picture(const std::vector<float>& samples, QSize size, QColor colour) {
    QPixmap pm(size);
    pm.fill(QColor(250, 250, 250));
    QPainter p(&pm);
    p.setPen(QColor(220, 220, 220));
    p.drawLine(0, size.height() / 2, size.width(), size.height() / 2);
    p.setPen(colour);
    const int n = std::min<int>(static_cast<int>(samples.size()), 4096);
    float peak = 1;
    for (int i = 0; i < n; ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    for (int x = 0; x < size.width() && n > 0; ++x) {
        int a = x * n / size.width(), b = std::max(a + 1, (x + 1) * n / size.width());
        float lo = 0, hi = 0;
        for (int i = a; i < b && i < n; ++i) {
            lo = std::min(lo, samples[i]);
            hi = std::max(hi, samples[i]);
        }
        const float h = size.height() / 2.0f - 2;
        p.drawLine(x, static_cast<int>(size.height() / 2 - hi / peak * h), x,
                   static_cast<int>(size.height() / 2 - lo / peak * h));
    }
    return pm;
}

QPixmap spectrum_picture(const std::vector<float>& spec, QSize size, QColor colour) {
    QPixmap pm(size);
    pm.fill(QColor(250, 250, 250));
    QPainter p(&pm);
    const int bins = std::min<int>(static_cast<int>(spec.size()), 8192);
    float top = 1e-9f;
    for (int i = 1; i < bins; ++i)
        top = std::max(top, spec[i]);
    p.setPen(colour);
    for (int x = 0; x < size.width() && bins > 0; ++x) {
        int a = x * bins / size.width(), b = std::max(a + 1, (x + 1) * bins / size.width());
        float m = 0;
        for (int i = std::max(a, 1); i < b && i < bins; ++i)
            m = std::max(m, spec[i]);
        int h = static_cast<int>(std::sqrt(m / top) * (size.height() - 2));
        p.drawLine(x, size.height() - 1, x, size.height() - 1 - h);
    }
    return pm;
}

QColor colour_of(Tcolor c) {
    return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
}

} // namespace

class GroupsScreenshot : public QObject {
    Q_OBJECT

  private slots:
    void demo_group_page() {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        qputenv("TREVOPELQUOR_HOME", home.path().toUtf8());
        const std::string bin = qEnvironmentVariable("PELQUOR_BIN_DIR").toStdString();
        const std::string src = qEnvironmentVariable("PELQUOR_SOURCE_DIR").toStdString();
        const std::string keep = home.path().toStdString() + "/keep";
        const std::string data_root = keep + "/home/Trevolant/TrevoPelquor/data/";
        const std::string data = home.path().toStdString() + "/Trevolant/TrevoPelquor/data/";

        // The measured demo group, or a stored one when the tools are missing.
        bool measured = false;
        if (!bin.empty() && fs::exists(bin + "/pelquor-cli") &&
            fs::exists(bin + "/trevo-radiosim")) {
            QProcess demo;
            demo.start(
                QString::fromStdString(bin + "/pelquor-cli"),
                {"--home", home.path() + "/cli", "demo", "--keep", QString::fromStdString(keep)});
            measured = demo.waitForFinished(240000) && demo.exitCode() == 0 &&
                       fs::exists(data_root + "Pelquor/Demo/corr_grp.ini");
        }
        fs::create_directories(data + "Pelquor/Mill Lane");
        if (measured)
            fs::copy(data_root + "Pelquor/Demo", data + "Pelquor/Mill Lane/Demo",
                     fs::copy_options::recursive);
        else
            fs::create_directories(data + "Pelquor/Mill Lane/Demo");
        if (!measured)
            QVERIFY(write_file_atomic(data + "Pelquor/Mill Lane/Demo/corr_grp.ini",
                                      "[comm]\r\ncomment=Mill Lane demo\r\ncount=2\r\n"
                                      "meas_mode=2\r\n[log1]\r\nID=4101\r\ncomment=Hydrant\r\n"
                                      "[log2]\r\nID=4102\r\ncomment=Valve\r\n"));
        QVERIFY(write_file_atomic(data + "Pelquor/Mill Lane/Demo/corr_grp.txt",
                                  "Leak suspected near the hydrant at number 3.\r\n"
                                  "Loggers set out 11 Dec, read the next morning.\r\n"));
        // A few more stored groups around it.
        for (auto [path, mode] : std::initializer_list<std::pair<const char*, int>>{
                 {"Pelquor/Mill Lane/Night 10 Dec", 1},
                 {"Pelquor/Church Road/Survey", 1},
                 {"Pelquor/Station Street/Main 1", 2}}) {
            fs::create_directories(data + path);
            QVERIFY(write_file_atomic(data + path + "/corr_grp.ini",
                                      "[comm]\r\nmeas_mode=" + std::to_string(mode) + "\r\n"));
        }
        fs::create_directories(data + "Pelquor/Harbour");

        GroupState g;
        Settings settings;
        settings.data_dir = data;
        LangTexts texts;
        std::string language = "english";
        if (!src.empty())
            load_language(texts, bin + "/config/", language);
        ScriptedDialogs dialogs;
        GroupPage page(g, settings, texts, dialogs, nullptr);

        auto cs = std::make_unique<CorrelationState>();
        const std::string folder = data + "Pelquor/Mill Lane/Demo/";
        page.workflow().hooks.level_analysis = [&](const std::string& f) {
            try {
                audio_analysis(*cs, g, f);
            } catch (...) {
            }
        };
        page.page_hooks.display_wave = [&](int n) {
            try {
                WaveDisplay w = display_wave(*cs, g, folder, n);
                if (!w.shown)
                    return;
            } catch (...) {
                return;
            }
            const auto& l = g.corr_log_set.corr_log[n];
            const LoggerBox& b = page.logger_box(n);
            b.image->setPixmap(wave_picture(cs->wave_samples, QSize(240, 70), QColor(30, 90, 170)));
            b.simage->setPixmap(
                spectrum_picture(cs->spec_a_abs, QSize(120, 70), colour_of(l.color)));
            b.memo->setPlainText(QString("%1 dB  %2 Hz\nESA %3  block %4")
                                     .arg(l.level)
                                     .arg(l.frequency)
                                     .arg(l.esa)
                                     .arg(l.lowest_block));
            QPalette pal = b.memo->palette();
            pal.setColor(QPalette::Base, colour_of(l.color).lighter(170));
            b.memo->setPalette(pal);
        };

        QApplication::setStyle("Fusion");
        page.resize(1280, 800);
        apply_language_to(&page, texts);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.show_tree();
        page.recall_last_node("Demo");
        QCOMPARE(g.corr_log_set.tree_path, std::string("Pelquor/Mill Lane/Demo"));
        QVERIFY(page.findChild<QGroupBox*>("GB_1")->isVisible());
        QVERIFY(page.findChild<QGroupBox*>("GB_2")->isVisible());
        if (measured) {
            QCOMPARE(g.corr_log_set.count, 5);
            QVERIFY(!page.logger_box(1).image->pixmap().isNull());
        }
        QTest::qWait(200);

        QImage shot = page.grab().toImage();
        QCOMPARE(shot.size(), QSize(1280, 800));
        const QString out = qEnvironmentVariable("PELQUOR_SCREENSHOT");
        if (!out.isEmpty())
            QVERIFY(shot.save(out));
    }
};

QTEST_MAIN(GroupsScreenshot)
#include "groups_screenshot.moc"
