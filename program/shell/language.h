// Numbered language texts 1..1000, loaded from config folder + language + ".csv".
#pragma once

#include <array>
#include <string>

namespace pelquor {

class LangTexts {
  public:
    static constexpr int count = 1000;
    // Text n; empty for numbers outside 1..1000 or not loaded.
    const std::string& operator()(int n) const;
    const std::string& lang_text(int n) const { return (*this)(n); }
    void set(int n, const std::string& text);
    // Replaces the numbers the text contains; malformed lines, empty lines
    // and numbers outside 1..1000 are skipped. Returns the number of texts stored.
    int load_text(const std::string& content);

  private:
    std::array<std::string, count + 1> texts_{};
};

// Loads config_folder + language + ".csv", falling back to "english" (the
// language is updated then). False with error when neither can be read.
bool load_language(LangTexts& texts, const std::string& config_folder, std::string& language,
                   std::string* error = nullptr);

} // namespace pelquor
