// The settings file: read at start, written back key by key.
#include "fuzz_util.h"
#include "shell/files.h"
#include "shell/ini_file.h"
#include "shell/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelquor;
    static Folders f =
        make_folders(fuzz::scratch_folder() + "home", fuzz::scratch_folder() + "none");
    static bool made = create_folder(f.config);
    (void)made;
    fuzz::write_bytes(f.config + settings_file_name, data, size);
    Settings s;
    try {
        load_ini(s, f);
    } catch (const ConversionError&) {
    }
    save_ini(s, f);
    return 0;
}
