// std_grp.ini of the data folder, read as the logger collection opens it.
#include "fuzz_util.h"
#include "groups/std_group.h"
#include "shell/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelquor;
    static const std::string folder = fuzz::scratch_folder() + "stddata/";
    static bool made = create_folder(folder);
    (void)made;
    fuzz::write_bytes(std_group_path(folder), data, size);
    Tcorr_std_grp grp;
    std::string error;
    if (read_std_grp(grp, folder, &error)) {
        std_group_rows(grp);
        write_std_grp(grp, folder, &error);
    }
    return 0;
}
