#include "view/MonitorSearch.h"

#include "view/dlgSearch.h"
#include "view/dlgTimeSearch.h"
#include "view/frmMonitor.h"

MonitorSearch::MonitorSearch(const RunState& run, Capture& capture, frmMonitor& monitor,
                             MonitorStatus& status, Prompts& prompts, QWidget* dialogParent)
    : run_(run),
      capture_(capture),
      monitor_(monitor),
      status_(status),
      prompts_(prompts),
      dialogParent_(dialogParent) {}

MonitorSearch::~MonitorSearch() {
    // The dialogs refer to this object; a parent that went first has deleted them already.
    delete dlgSearch_;
    delete dlgTimeSearch_;
}

dlgSearch* MonitorSearch::mn_Search_Search_Click() {
    if (dlgSearch_ == nullptr) {
        dlgSearch_ = new dlgSearch(*this, prompts_, dialogParent_);
    }
    dlgSearch_->showDialog();
    return dlgSearch_;
}

dlgTimeSearch* MonitorSearch::mn_Search_Time_Click() {
    if (dlgTimeSearch_ == nullptr) {
        dlgTimeSearch_ = new dlgTimeSearch(run_, capture_, monitor_, prompts_, dialogParent_);
    }
    dlgTimeSearch_->showDialog();
    return dlgTimeSearch_;
}

void MonitorSearch::mn_Search_Down_Click() {
    repeat(SearchHoukou::Down);
}

void MonitorSearch::mn_Search_Up_Click() {
    repeat(SearchHoukou::Up);
}

void MonitorSearch::repeat(SearchHoukou houkou) {
    if (search_.length() < 1) {
        prompts_.message("検索文字列が設定されていません", kTitle, Prompts::Icon::Exclamation,
                         Prompts::Buttons::Ok);
        return;
    }
    if (!find(houkou)) {
        prompts_.message(kNotFound, kTitle, Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
    }
}

bool MonitorSearch::find(SearchHoukou houkou) {
    std::vector<int32_t>& cursol = capture_.glngCursol;
    if (cursol.empty()) {
        cursol.assign(1, -1);
    }
    if (houkou == SearchHoukou::FromTop) {
        cursol[0] = -1;
    }
    int16_t type = 0;
    if (searchMoji(dispWords(capture_), search_, houkou, cursol[0], type, hit_) == 0) {
        return false;
    }
    monitor_.SetCursol(type, hit_);
    return true;
}

void MonitorSearch::showSearchText(const QString& text) {
    status_.showPanelText(MonitorStatus::kSearchPanel, text);
}
