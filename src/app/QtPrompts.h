#pragma once
#include <QPointer>
#include <QWidget>

#include "base/Prompts.h"

class QMessageBox;

// Real dialogs for the Prompts seam: QMessageBox, QFileDialog, QColorDialog.
//
// Each belongs to the window that asks for it: the modal dialog running, else the active
// window (a dialog asking about its own input), else the main window. When it closes, that
// window is active again with the keyboard focus where it was, so a modeless dialog still
// closes when the user then clicks elsewhere.
class QtPrompts final : public Prompts {
  public:
    // The owner when no window of the program is active.
    void setMainWindow(QWidget* window) { mainWindow_ = window; }

    Answer message(const std::string& text, const std::string& title, Icon icon,
                   Buttons buttons) override;
    std::optional<std::string> openFileName(const std::string& title, const std::string& folder,
                                            const std::string& filter) override;
    std::optional<std::string> saveFileName(const std::string& title, const std::string& folder,
                                            const std::string& filter) override;
    std::optional<int32_t> chooseColor(int32_t initial) override;
    std::unique_ptr<Progress> progress(const std::string& text, const std::string& title) override;

    // Sets up box as message() shows it: text, title, icon and buttons.
    static void fill(QMessageBox& box, const std::string& text, const std::string& title, Icon icon,
                     Buttons buttons);

  private:
    // The window that owns what is asked now.
    [[nodiscard]] QWidget* owner() const;

    QPointer<QWidget> mainWindow_;
};
