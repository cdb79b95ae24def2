// A raw block file imported into the open group (multi_bin2wav).
#include "fuzz_util.h"
#include "radio/recording.h"
#include "shell/files.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelquor;
    static const std::string folder = fuzz::scratch_folder() + "rawgroup/";
    static bool made = create_folder(folder);
    (void)made;
    static auto bb = std::make_unique<BlockBuffers>();
    const std::string file = fuzz::scratch_folder() + "blocks.bin";
    fuzz::write_bytes(file, data, size);
    GroupState g;
    try {
        multi_bin2wav(g, *bb, folder, file);
    } catch (const RecordingError&) {
    }
    return 0;
}
