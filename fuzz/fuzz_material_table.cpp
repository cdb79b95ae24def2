// A material table (english.tab) as the pipe editor loads it, then looked up.
#include "fuzz_util.h"
#include "pipes/material_table.h"
#include "shell/files.h"
#include "shell/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelquor;
    static const std::string config = fuzz::scratch_folder() + "matconfig/";
    static bool made = create_folder(config);
    (void)made;
    static LangTexts texts;
    fuzz::write_bytes(config + "english.tab", data, size);
    Tmat_table table;
    try {
        load_pipetable_ini(table, config, "english", 0, texts);
    } catch (const ConversionError&) {
    }
    for (const auto& m : material_choices(table)) {
        int32_t mi = get_mat_index(table, m);
        for (const auto& d : diameter_choices(table, mi)) {
            get_dia_index(table, mi, d);
            get_vel(table, d, m);
        }
    }
    return 0;
}
