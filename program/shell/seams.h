// Seams between core code and the window: dialogs, the progress pop-up and the
// clock. The window supplies Qt implementations; tests and the command-line
// tool supply their own, so no core operation ever blocks on a modal dialog.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace pelquor {

// Message boxes, questions and input boxes. Texts arrive already translated.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // Information with a single OK button.
    virtual void message(const std::string& text) = 0;
    // A failure that ends the current command.
    virtual void error(const std::string& text) = 0;
    // Yes/No question; true for Yes.
    virtual bool question(const std::string& text) = 0;
    // OK/Cancel question; true for OK.
    virtual bool confirm(const std::string& text) { return question(text); }
    // Two buttons with their own captions; true when the first one ended it.
    virtual bool two_buttons(const std::string& text, const std::string& /*first*/,
                             const std::string& /*second*/) {
        return confirm(text);
    }
    // Text input; nullopt when cancelled.
    virtual std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                             const std::string& initial) = 0;
    // File choice; nullopt when cancelled.
    virtual std::optional<std::string>
    open_file(const std::string& caption, const std::string& folder, const std::string& filter) = 0;
};

// Records every dialog and answers from a script; unanswered questions get
// the default answer. Used by tests and by the command-line tool.
class ScriptedDialogs : public Dialogs {
  public:
    struct Entry {
        std::string kind; // "message", "error", "question", "confirm", "input", "open_file"
        std::string text;
    };
    std::vector<Entry> log;
    std::deque<bool> answers;                      // for question/confirm
    std::deque<std::optional<std::string>> inputs; // for input/open_file
    bool default_answer = false;

    void message(const std::string& text) override { log.push_back({"message", text}); }
    void error(const std::string& text) override { log.push_back({"error", text}); }
    bool question(const std::string& text) override {
        log.push_back({"question", text});
        return next_answer();
    }
    bool confirm(const std::string& text) override {
        log.push_back({"confirm", text});
        return next_answer();
    }
    std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                     const std::string&) override {
        log.push_back({"input", caption + ": " + prompt});
        return next_input();
    }
    std::optional<std::string> open_file(const std::string& caption, const std::string&,
                                         const std::string&) override {
        log.push_back({"open_file", caption});
        return next_input();
    }
    // Texts of all entries of one kind, in order.
    std::vector<std::string> texts(const std::string& kind) const {
        std::vector<std::string> out;
        for (const auto& e : log)
            if (e.kind == kind)
                out.push_back(e.text);
        return out;
    }

  private:
    bool next_answer() {
        if (answers.empty())
            return default_answer;
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> next_input() {
        if (inputs.empty())
            return std::nullopt;
        auto v = inputs.front();
        inputs.pop_front();
        return v;
    }
};

// The progress pop-up and the event-pumping wait of long operations.
class Progress {
  public:
    virtual ~Progress() = default;
    // pos 0 hides the gauge, 1..100 sets it, above 100 leaves it unchanged.
    virtual void show_easy_guide(int pos, const std::string& text) = 0;
    virtual void inc_easy_guide(int inc) = 0;
    virtual void hide_easy_guide() = 0;
    // Lets pending window events run until ms milliseconds have passed.
    virtual void wait_ms(int ms) = 0;
};

// Progress that only records (or forwards) its texts and sleeps for real.
class TextProgress : public Progress {
  public:
    std::vector<std::string> lines;
    bool echo_stderr = false;
    bool real_sleep = true;
    int gauge = 0;
    void show_easy_guide(int pos, const std::string& text) override;
    void inc_easy_guide(int inc) override { gauge += inc; }
    void hide_easy_guide() override {}
    void wait_ms(int ms) override;
};

// Local time: seconds since 1970-01-01 00:00 of the computer's local clock.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual uint32_t local_now() const = 0;
    // Milliseconds of a monotonic tick counter (time limits, waits).
    virtual uint64_t tick_ms() const = 0;
};

class SystemClock : public Clock {
  public:
    uint32_t local_now() const override;
    uint64_t tick_ms() const override;
};

// A clock that stands still until told to move.
class FixedClock : public Clock {
  public:
    explicit FixedClock(uint32_t local = 0) : now_(local) {}
    uint32_t local_now() const override { return now_; }
    uint64_t tick_ms() const override { return ticks_; }
    void set(uint32_t local) { now_ = local; }
    void advance_ms(uint64_t ms) {
        ticks_ += ms;
        now_ = static_cast<uint32_t>(now_ + ms / 1000);
    }

  private:
    uint32_t now_;
    uint64_t ticks_ = 0;
};

// Day of week of local epoch seconds: 1 = Sunday .. 7 = Saturday.
int day_of_week(uint32_t local_epoch);

// Broken-down local epoch seconds (no time zone applied: the value is local already).
struct LocalTime {
    int year, month, day, hour, minute, second;
};
LocalTime split_local(uint32_t local_epoch);
uint32_t join_local(const LocalTime& t);

} // namespace pelquor
