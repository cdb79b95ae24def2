// A WAV recording in a group folder, given to the level analysis and to the
// correlation of a pair, as loading and correlating a group does.
#include "analysis/correlation.h"
#include "analysis/levels.h"
#include "fuzz_util.h"
#include "radio/recording.h"
#include "shell/files.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelquor;
    static const std::string folder = fuzz::scratch_folder() + "wavgroup/";
    static bool made = create_folder(folder);
    (void)made;
    static auto cs = std::make_unique<CorrelationState>();
    GroupState g;
    auto& s = g.corr_log_set;
    s.count = 2;
    s.meas_mode = 2;
    s.c_mode = 0;
    s.corr_log[1].ID = 11;
    s.corr_log[2].ID = 12;
    // Logger 11's first block is the fuzzed file, logger 12's a copy of it.
    fuzz::write_bytes(folder + recording_file_name(11, block_number_of(2, 1)), data, size);
    fuzz::write_bytes(folder + recording_file_name(12, block_number_of(2, 1)), data, size);
    try {
        audio_analysis(*cs, g, folder);
        display_wave(*cs, g, folder, 1);
        correlation(*cs, g, folder, 1, 2, 1);
        correlation(*cs, g, folder, 1, 2, 101);
    } catch (const RecordingError&) {
    }
    return 0;
}
