// colortable.ini as the program loads it at start.
#include "fuzz_util.h"
#include "shell/colortable.h"
#include "shell/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelquor;
    static const std::string file = fuzz::scratch_folder() + "colortable.ini";
    fuzz::write_bytes(file, data, size);
    ColorTable colors;
    try {
        load_colortable_ini(colors, file);
    } catch (const ConversionError&) {
    }
    for (int n = -1; n <= 21; ++n)
        (void)colors.material(n);
    return 0;
}
