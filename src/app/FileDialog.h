#pragma once
#include <optional>
#include <string>

#include "base/Prompts.h"

// A file dialog that keeps the name chosen last as the initial name of its next use, as one
// common dialog object does. The main window has one for open, save and auto-save, so that a
// name chosen in one is offered by the next; the text save dialog has its own.
class FileDialog {
  public:
    explicit FileDialog(Prompts& prompts) : prompts_(prompts) {}

    // The dialogs start in folder until a name has been chosen, then at that name.
    std::optional<std::string> open(const std::string& title, const std::string& folder,
                                    const std::string& filter) {
        return remember(prompts_.openFileName(title, start(folder), filter));
    }
    // Asks before an existing file is overwritten.
    std::optional<std::string> save(const std::string& title, const std::string& folder,
                                    const std::string& filter) {
        return remember(prompts_.saveFileName(title, start(folder), filter));
    }

    [[nodiscard]] const std::string& fileName() const { return fileName_; }

  private:
    [[nodiscard]] std::string start(const std::string& folder) const {
        return fileName_.empty() ? folder : fileName_;
    }
    std::optional<std::string> remember(std::optional<std::string> name) {
        if (name) {
            fileName_ = *name;
        }
        return name;
    }

    Prompts& prompts_;
    std::string fileName_;
};
