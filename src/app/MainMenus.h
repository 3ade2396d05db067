#pragma once
#include <QHash>
#include <QString>
#include <array>

class QAction;
class QMainWindow;
class QMenu;

// The menu tree of the main window. Every item is a QAction whose objectName is the item's
// system name (mn_Run_Start, mn_View_Mode0 ...); index items get the index appended.
class MainMenus {
  public:
    explicit MainMenus(QMainWindow& window);

    [[nodiscard]] QAction* item(const QString& name) const;
    [[nodiscard]] QMenu* idleMenu() const { return idleMenu_; }

    std::array<QAction*, 3> mn_View_Mode{};
    std::array<QAction*, 4> mn_View_Idle_Scale{};
    std::array<QAction*, 3> mn_View_Font_Size{};

  private:
    QAction* add(QMenu* menu, const QString& name, const QString& caption,
                 const QString& shortcut = {});

    QHash<QString, QAction*> items_;
    QMenu* idleMenu_ = nullptr;
};
