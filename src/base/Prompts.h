#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/Progress.h"

// Every message box, question, file dialog and colour dialog goes through this seam.
// The app shows real dialogs; tests answer from a script and record what was asked.
// Texts are UTF-8.
class Prompts {
  public:
    enum class Icon { None, Information, Exclamation, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Prompts() = default;

    virtual Answer message(const std::string& text, const std::string& title, Icon icon,
                           Buttons buttons) = 0;

    // File dialogs: filter in the form "ログファイル (*.vxm)"; the chosen path, or nothing
    // when cancelled. The save dialog asks before overwriting.
    virtual std::optional<std::string> openFileName(const std::string& title,
                                                    const std::string& folder,
                                                    const std::string& filter) = 0;
    virtual std::optional<std::string> saveFileName(const std::string& title,
                                                    const std::string& folder,
                                                    const std::string& filter) = 0;

    // Colour choice; colours are Windows colour values (red + 256 green + 65536 blue).
    virtual std::optional<int32_t> chooseColor(int32_t initial) = 0;

    // The progress dialog of a long piece of work, with a cancel button, for as long as the
    // returned progress lives: text says what is being done. It appears only when the work
    // lasts longer than a moment. Without one of its own, a seam shows none and lets the work
    // go on.
    virtual std::unique_ptr<Progress> progress(const std::string& /*text*/,
                                               const std::string& /*title*/) {
        return std::make_unique<NoProgress>();
    }
};
