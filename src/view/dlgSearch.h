#pragma once
#include <QString>
#include <array>

#include "search/SearchInput.h"
#include "view/ViewDialog.h"

class MonitorSearch;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QTimer;

// The string search dialog "文字検索": the search text in an editable combo box with the
// history of the last eight texts, the code type (ASCII, hexadecimal, Shift-JIS), the direction
// and the traffic searched (both directions, SD or RD). It stays open after a search.
class dlgSearch : public ViewDialog {
    Q_OBJECT
  public:
    dlgSearch(MonitorSearch& search, Prompts& prompts, QWidget* parent);

    // Shows the dialog with the current search string and takes the word in the top-left cell
    // of the history view as the reference position of the next search.
    void showDialog();
    void OKButton_Click();
    // Puts back the text cut to its maximum length.
    void timReset_Timer();

    [[nodiscard]] const SearchHistory& history() const { return history_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    [[nodiscard]] int16_t codeType() const;
    void optCode_Click(int index);
    void cmbSearch_Click(int index);
    void fillHistory();
    // Sets gintSearchDat from text by the code type; false (with the message shown) when a
    // hexadecimal text is refused.
    bool setSearchString(const QString& text, int16_t type);

    MonitorSearch& search_;
    Prompts& prompts_;
    QComboBox* cmbSearch;
    QLineEdit* txtSearch;
    std::array<QRadioButton*, 3> optCode{};
    std::array<QRadioButton*, 3> optHoukou{};
    std::array<QRadioButton*, 3> optKubun{};
    QTimer* timReset;
    QString lstrSearchCut;
    SearchHistory history_;
};
