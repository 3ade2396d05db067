#pragma once
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/Prompts.h"

// Answers every prompt from a script and records what was asked. An unscripted question
// gets the first button's answer (Ok or Yes); an unscripted file dialog is cancelled; an
// unscripted progress dialog lets the work go on.
class ScriptedPrompts final : public Prompts {
  public:
    // A progress dialog asked for: its texts and every step it was told, in order.
    struct ProgressAsked {
        std::string text, title;
        std::vector<std::pair<uint64_t, uint64_t>> steps;  // done, total
    };

    struct Asked {
        std::string text, title;
        Icon icon;
        Buttons buttons;
    };

    Answer message(const std::string& text, const std::string& title, Icon icon,
                   Buttons buttons) override {
        asked.push_back({text, title, icon, buttons});
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes
                                                                            : Answer::Ok;
    }
    std::optional<std::string> openFileName(const std::string& title, const std::string& folder,
                                            const std::string&) override {
        return NextFile(title, folder);
    }
    std::optional<std::string> saveFileName(const std::string& title, const std::string& folder,
                                            const std::string&) override {
        return NextFile(title, folder);
    }
    std::optional<int32_t> chooseColor(int32_t) override {
        if (colors.empty()) {
            return std::nullopt;
        }
        const int32_t c = colors.front();
        colors.pop_front();
        return c;
    }

    std::unique_ptr<Progress> progress(const std::string& text, const std::string& title) override {
        progresses.push_back({text, title, {}});
        int stopAt = 0;
        if (!cancelAt.empty()) {
            stopAt = cancelAt.front();
            cancelAt.pop_front();
        }
        return std::make_unique<Steps>(progresses.back(), stopAt);
    }

    std::vector<Asked> asked;
    std::deque<ProgressAsked> progresses;  // a deque: each dialog keeps its record in place
    // For each next progress dialog: the step (from 1) at which its cancel button is pressed;
    // 0 for none.
    std::deque<int> cancelAt;
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> files;
    std::vector<std::string> fileDialogs;  // titles of the file dialogs shown
    std::vector<std::string> fileStarts;   // the folder or name each file dialog started at
    std::deque<int32_t> colors;

  private:
    class Steps final : public Progress {
      public:
        Steps(ProgressAsked& record, int stopAt) : record_(record), stopAt_(stopAt) {}
        bool step(uint64_t done, uint64_t total) override {
            record_.steps.emplace_back(done, total);
            return stopAt_ == 0 || static_cast<int>(record_.steps.size()) < stopAt_;
        }

      private:
        ProgressAsked& record_;
        int stopAt_;
    };

    std::optional<std::string> NextFile(const std::string& title, const std::string& folder) {
        fileDialogs.push_back(title);
        fileStarts.push_back(folder);
        if (files.empty()) {
            return std::nullopt;
        }
        auto f = files.front();
        files.pop_front();
        return f;
    }
};
