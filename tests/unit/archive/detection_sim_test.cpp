// Automatic detection over the radio link against trevo-radiosim on the demo site.
#include "archive_fixture.h"

#include "groups/radio_announcements.h"
#include "groups/std_group.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

namespace pelquor::test {
namespace {

class Simulator {
  public:
    explicit Simulator(const std::vector<std::string>& options) {
        const char* bin = std::getenv("PELQUOR_BIN_DIR");
        const char* src = std::getenv("PELQUOR_SOURCE_DIR");
        if (!bin || !src)
            return;
        exe_ = std::string(bin) + "/trevo-radiosim";
        if (access(exe_.c_str(), X_OK) != 0)
            return;
        folder_ = make_temp_dir();
        socket_ = folder_ + "/radio.sock";
        std::vector<std::string> args{exe_, "--socket", socket_, "--site",
                                      std::string(src) + "/sim/sites/demo.site"};
        args.insert(args.end(), options.begin(), options.end());
        pid_ = fork();
        if (pid_ == 0) {
            std::vector<char*> argv;
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        struct stat st {};
        for (int i = 0; i < 250 && stat(socket_.c_str(), &st) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        setenv("TREVOHID_SIM", ("2047:ffeb:TR0001:0154@" + socket_).c_str(), 1);
    }
    ~Simulator() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        unsetenv("TREVOHID_SIM");
        if (!folder_.empty())
            std::filesystem::remove_all(folder_);
    }
    bool running() const { return pid_ > 0; }

  private:
    std::string exe_, folder_, socket_;
    pid_t pid_ = -1;
};

class DetectionSim : public ArchiveTest {
  protected:
    RadioState radio;
    TextProgress progress;
    FixedClock clock;
    std::unique_ptr<RadioContext> ctx;
    std::unique_ptr<RadioAnnouncements> source;

    void SetUp() override {
        ArchiveTest::SetUp();
        folder("");
        progress.real_sleep = false;
        ctx.reset(new RadioContext{radio, g, texts, dialogs, progress, clock, data, {}});
        source = std::make_unique<RadioAnnouncements>(*ctx);
    }
    // Timer ticks until the collection holds want loggers or the ticks run out.
    void listen(AutoDetect& detect, int want, int ticks) {
        detect.panel_opened();
        ASSERT_TRUE(detect.enabled) << "no radio interface";
        detect.set_checked(true);
        ASSERT_TRUE(detect.listening);
        for (int i = 0; i < ticks && g.corr_std_grp.count < want; ++i)
            detect.tick();
        detect.close();
        EXPECT_FALSE(radio.listening);
    }
};

TEST_F(DetectionSim, CollectsTheDemoSitesLoggers) {
    Simulator sim({"--announce", "4101,4102,4103,4104,4105"});
    if (!sim.running())
        GTEST_SKIP() << "trevo-radiosim is not built";
    dialogs.default_answer = true; // OK on every detected logger, labels as proposed
    AutoDetect detect(*source, *wf, dialogs);
    listen(detect, 5, 60);
    ASSERT_EQ(g.corr_std_grp.count, 5);
    EXPECT_EQ(g.corr_std_grp.dev_type, family_corr);
    std::set<int> ids;
    for (int n = 1; n <= 5; ++n)
        ids.insert(g.corr_std_grp.corr_log[n].ID);
    EXPECT_EQ(ids, (std::set<int>{4101, 4102, 4103, 4104, 4105}));
    EXPECT_TRUE(dialogs.texts("message").empty());
    Tcorr_std_grp back;
    ASSERT_TRUE(read_std_grp(back, data, nullptr));
    EXPECT_EQ(back.count, 5);
}

TEST_F(DetectionSim, RefusesALoggerOfTheOtherFamilyOnce) {
    Simulator sim({"--announce", "4101"});
    if (!sim.running())
        GTEST_SKIP() << "trevo-radiosim is not built";
    write(data + "std_grp.ini", "[total]\r\ncount=1\r\ndev_type=112\r\n[1]\r\nID=9\r\n");
    wf->assign_std_grp();
    // Count the announcements that reach the detection.
    struct Counting : AnnouncementSource {
        AnnouncementSource& inner;
        int heard = 0;
        explicit Counting(AnnouncementSource& s) : inner(s) {}
        bool present() override { return inner.present(); }
        bool start() override { return inner.start(); }
        uint32_t read() override {
            uint32_t a = inner.read();
            heard += a != 0;
            return a;
        }
        void stop() override { inner.stop(); }
    } counting(*source);
    AutoDetect detect(counting, *wf, dialogs);
    detect.panel_opened();
    detect.set_checked(true);
    for (int i = 0; i < 40 && counting.heard < 3; ++i)
        detect.tick();
    detect.close();
    const int heard = counting.heard;
    EXPECT_GE(heard, 3);
    EXPECT_EQ(dialogs.texts("message"),
              (std::vector<std::string>{"corr and hydro not allowed in one group"}));
    EXPECT_EQ(g.corr_std_grp.count, 1);
}

} // namespace
} // namespace pelquor::test
