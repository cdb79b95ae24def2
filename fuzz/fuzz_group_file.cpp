// The group file as the program loads it, then saved and loaded again.
#include "fuzz_util.h"
#include "groups/group_file.h"
#include "shell/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelquor;
    const std::string data_folder = fuzz::scratch_folder() + "data/";
    static bool made = create_folder(data_folder + "G");
    (void)made;
    fuzz::write_bytes(data_folder + "G/" + group_file_name, data, size);
    GroupState g;
    try {
        if (load_logger_set(g, data_folder, "G") == LoadResult::loaded) {
            corr_log_set_save_ini(g, data_folder);
            GroupState h;
            load_logger_set(h, data_folder, "G");
        }
    } catch (const GroupFileError&) {
    }
    return 0;
}
