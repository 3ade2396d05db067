#pragma once
#include <deque>
#include <string>
#include <vector>

#include "base/Prompts.h"

// Answers every prompt from a script and records what was asked. An unscripted question
// gets the first button's answer (Ok or Yes); an unscripted file dialog is cancelled.
class ScriptedPrompts final : public Prompts {
  public:
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

    std::vector<Asked> asked;
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> files;
    std::vector<std::string> fileDialogs;  // titles of the file dialogs shown
    std::vector<std::string> fileStarts;   // the folder or name each file dialog started at
    std::deque<int32_t> colors;

  private:
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
