#include "Browse.h"

#include "view/CellGrid.h"
#include "view/HistoryRenderer.h"

namespace {

struct NoStatus final : MonitorStatus {
    void showPanelText(int, const QString&) override {}
};

std::string CellFault(const CellGrid& cells) {
    for (int32_t k = 0; k < cells.Size(); ++k) {
        for (const CellRow row : {CellRow::RD, CellRow::SD}) {
            if (cells.at(row, k).text >= CellText::kCount) {
                return "cell " + std::to_string(k) + " has no text";
            }
        }
    }
    return {};
}

}  // namespace

std::string BrowseAll(CoreState& state, int32_t cols, int32_t rows, int64_t line, int maxPages,
                      std::optional<bool> placeAfterOpen) {
    GridState& grid = state.grid;
    grid.lintCol = cols;
    grid.lintRow = rows;
    grid.lintCell = cols * rows;
    CellGrid cells;
    cells.resize(grid.lintCell, state.settings.glngColRD, state.settings.glngColSD);
    NoStatus panels;
    HistoryRenderer history(state.settings, state.run, state.capture, grid, cells, panels);
    Capture& cap = state.capture;

    int32_t top = 0;
    if (placeAfterOpen) {
        history.placeTop(*placeAfterOpen);
        if (cap.glngDispTop < 0 || cap.glngDispTop > cap.glngDispLen()) {
            return "placed at top " + std::to_string(cap.glngDispTop);
        }
        top = cap.glngDispTop;
    }
    if (history.DispRireki(top) > grid.lintCell) {
        return "more cells drawn than the screen has";
    }
    for (int page = 0; page < maxPages; ++page) {
        const int32_t was = cap.glngDispTop;
        history.pageDown();
        if (cap.glngDispTop == was) {
            break;
        }
        if (cap.glngDispTop < 0 || cap.glngDispTop > cap.glngDispLen()) {
            return "paged to top " + std::to_string(cap.glngDispTop);
        }
    }
    history.jumpEnd();
    history.jumpLastHalf();
    history.jumpLine(line);
    history.lineUp();
    history.pageUp();
    history.jumpTop();
    if (cap.glngDispLen() >= 3) {
        const int32_t first = cap.glngDispLen() - 3;
        const int32_t hits[] = {first, first + 1, first + 2};
        history.SetCursol(1, hits);
    }
    history.SetRestartPos();
    if (grid.lintPos < 0 || grid.lintPos >= grid.lintCell) {
        return "restart position " + std::to_string(grid.lintPos) + " outside the screen";
    }
    return CellFault(cells);
}
