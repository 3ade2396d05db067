#pragma once
#include <QPointer>
#include <QWidget>

#include "core/Prompts.h"

// Real dialogs for the Prompts seam: QMessageBox, QFileDialog, QColorDialog.
class QtPrompts final : public Prompts {
  public:
    void setParent(QWidget* parent) { parent_ = parent; }

    Answer Message(const std::string& text, const std::string& title, Icon icon,
                   Buttons buttons) override;
    std::optional<std::string> OpenFileName(const std::string& title, const std::string& folder,
                                            const std::string& filter) override;
    std::optional<std::string> SaveFileName(const std::string& title, const std::string& folder,
                                            const std::string& filter) override;
    std::optional<int32_t> ChooseColor(int32_t initial) override;

  private:
    QPointer<QWidget> parent_;
};
