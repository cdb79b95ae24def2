// A language file as load_language reads it.
#include "fuzz_util.h"
#include "shell/language.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pelquor::LangTexts texts;
    texts.load_text(std::string(reinterpret_cast<const char*>(data), size));
    for (int n : {0, 1, 500, 1000, 1001})
        (void)texts(n).size();
    return 0;
}
