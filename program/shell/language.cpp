#include "shell/language.h"

#include "shell/files.h"
#include "shell/ini_file.h"

namespace pelquor {

const std::string& LangTexts::operator()(int n) const {
    static const std::string empty;
    if (n < 1 || n > count)
        return empty;
    return texts_[n];
}

void LangTexts::set(int n, const std::string& text) {
    if (n >= 1 && n <= count)
        texts_[n] = text;
}

int LangTexts::load_text(const std::string& content) {
    int stored = 0;
    size_t pos = 0;
    // A byte-order mark is not part of the format, but editors add one.
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0)
        pos = 3;
    while (pos < content.size()) {
        size_t nl = content.find('\n', pos);
        std::string line =
            content.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? content.size() : nl + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        auto semi = line.find(';');
        if (semi == std::string::npos)
            continue;
        long long n;
        if (!parse_int(line.substr(0, semi), n) || n < 1 || n > count)
            continue;
        texts_[static_cast<int>(n)] = line.substr(semi + 1);
        ++stored;
    }
    return stored;
}

bool load_language(LangTexts& texts, const std::string& config_folder, std::string& language,
                   std::string* error) {
    std::string file = config_folder + language + ".csv";
    if (!file_exists(file)) {
        language = "english";
        file = config_folder + "english.csv";
    }
    std::string content;
    if (!read_file(file, content, error))
        return false;
    texts.load_text(content);
    return true;
}

} // namespace pelquor
