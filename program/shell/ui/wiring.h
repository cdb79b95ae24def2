// Joins the main window to the other subsystems: the group page with its
// archive tree, the radio operations behind the ribbon, the level analysis
// of each recording and the correlation of all pairs with its results box.
#pragma once

#include "analysis/all_pairs.h"
#include "analysis/correlation.h"
#include "groups/radio_announcements.h"
#include "pipes/leak_position.h"
#include "radio/radio_link.h"

#include <QObject>
#include <array>
#include <memory>

class QGroupBox;
class QLabel;
class QListWidget;
class QSoundEffect;

namespace pelquor {

class GroupPage;
class TForm1;

class ProgramWiring : public QObject {
    Q_OBJECT
  public:
    // After form.FormCreate: the folders and settings are known.
    explicit ProgramWiring(TForm1& form);
    ~ProgramWiring() override;

    GroupPage* group_page() const { return page_; }
    RadioContext& radio() { return *radio_; }
    QGroupBox* correlations_box() const { return gb_correlations_; }
    QListWidget* results_list() const { return results_; }

    // The ribbon's "correlate": reload the group, correlate all pairs, show
    // the small correlations and the results list.
    void correlate();

  private:
    TForm1& w_;
    std::unique_ptr<CorrelationState> cs_;
    PipeState pipes_;
    AllPairsState run_;
    std::unique_ptr<RadioContext> radio_;
    std::unique_ptr<RadioAnnouncements> announcements_;
    GroupPage* page_ = nullptr;
    QGroupBox* gb_correlations_ = nullptr;
    std::array<QLabel*, max_pairs + 1> small_{}; // I_lcor1 .. I_lcor28
    QListWidget* results_ = nullptr;             // EP_corr_results
    QSoundEffect* sound_ = nullptr;
    int playing_logger_ = 0;

    std::string folder() const;
    RunEnv run_env();
    void wire_radio();
    void wire_page();
    void build_correlations_box();
    void level_analysis(const std::string& group_folder);
    void display_wave(int slot);
    void play_logger(int slot);
    void init_canvas();
    void draw_small(int corr_inx);
    void show_results();
    // Runs an operation, turning the failures it may throw into an error box.
    template <class F> bool guarded(F&& f);
};

} // namespace pelquor
