#include "print/PrintLayout.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/Settings.h"
#include "capture/Capture.h"
#include "capture/Records.h"

namespace {

constexpr PrintGeometry kPortraitGeometry{kPrintPortrait, 12, 14, 196, 280, 35, 29, 4};
constexpr PrintGeometry kLandscapeGeometry{kPrintLandscape, 15, 10, 278, 195, 50, 20, 6};

// Header texts: the idle text and the communication parameters from the left edge, the page
// number from the right edge, all above the frame.
constexpr int kIdleTextX = 12;
constexpr int kCommTextX = 40;
constexpr int kPageTextX = 15;
constexpr int kHeaderY = 5;

}  // namespace

PrintGeometry PrintSetup(int orient) {
    return orient == kPrintPortrait ? kPortraitGeometry : kLandscapeGeometry;
}

PrintSource printSourceOf(const Capture& capture, const Settings& settings, const ChrTable& chr) {
    const size_t len = std::min(static_cast<size_t>(std::max(capture.glngDispLen(), 0)),
                                capture.gintDispDat().size());
    return {std::span<const int16_t>(capture.gintDispDat().data(), len), settings.gintDispMode,
            settings.gintASCIISaveMode, &chr};
}

std::string pageNumberText(int page) {
    char number[16];
    std::snprintf(number, sizeof number, "%3d", page);
    return std::string("Page ") + number;
}

void PrintPageFrame(PageOps& ops, const PrintGeometry& g, const std::string& idleText,
                    const std::string& commText, int page) {
    const int l = g.gintPrnLeft;
    const int t = g.gintPrnTop;
    const int r = g.gintPrnRight;
    const int b = g.gintPrnBottom;
    ops.push_back(PrintOp::makeRect(l, t, r, b, 2));
    for (int i = 1; i <= g.gintPrnRows; ++i) {
        ops.push_back(PrintOp::makeLine(l, t + 9 * i - 4, r, t + 9 * i - 4, 1));
    }
    ops.push_back(PrintOp::makeLine(l + 8, t, l + 8, b, 1));
    for (int n = 1; n <= g.gintPrnCols; ++n) {
        // One-digit numbers move 1 mm right, towards the middle of their column.
        ops.push_back(PrintOp::makeText(g.columnX(n) + (n < 10 ? 1 : 0), t + 1, std::to_string(n),
                                        kPrintFontSize));
    }
    for (int v = 1; v <= g.gintPrnRows; ++v) {
        ops.push_back(PrintOp::makeText(l + 4, g.rdY(v), "RD", kPrintFontSize));
        ops.push_back(PrintOp::makeText(l + 4, g.sdY(v), "SD", kPrintFontSize));
    }
    if (!idleText.empty()) {
        ops.push_back(PrintOp::makeText(l + kIdleTextX, t - kHeaderY, idleText, kPrintFontSize));
    }
    if (!commText.empty()) {
        ops.push_back(PrintOp::makeText(l + kCommTextX, t - kHeaderY, commText, kPrintFontSize));
    }
    ops.push_back(
        PrintOp::makeText(r - kPageTextX, t - kHeaderY, pageNumberText(page), kPrintFontSize));
}

namespace {

// The frame marks of the word of column x, text line y (FrameMark bits).
void printMarks(PageOps& ops, int x, int y, uint8_t mark) {
    constexpr int kHeight = 4;  // of a text line
    const int left = x - 1;
    const int right = x + 4;
    if ((mark & FrameMark::kBad) != 0) {
        ops.push_back(PrintOp::makeLine(left, y, right, y, 2));
        ops.push_back(PrintOp::makeLine(left, y + kHeight, right, y + kHeight, 2));
    }
    if ((mark & FrameMark::kBadFirst) != 0) {
        ops.push_back(PrintOp::makeLine(left, y, left, y + kHeight, 2));
    }
    if ((mark & FrameMark::kBadLast) != 0) {
        ops.push_back(PrintOp::makeLine(right, y, right, y + kHeight, 2));
    }
    if ((mark & FrameMark::kStart) != 0) {
        ops.push_back(PrintOp::makeLine(left, y, left, y + kHeight, 1));
    }
}

}  // namespace

int32_t PrintPageData(PageOps& ops, const PrintGeometry& g, const PrintSource& src, int32_t p) {
    const auto len = static_cast<int64_t>(src.words.size());
    p = std::max<int32_t>(p, 0);
    // A page holds at most one word per place.
    const auto places = static_cast<size_t>(g.gintPrnCols) * static_cast<size_t>(g.gintPrnRows);
    std::vector<uint8_t> marks[2];  // RD, SD
    if (src.frames != nullptr) {
        for (auto& row : marks) {
            row.assign(places, 0);
        }
        markFrames(
            *src.frames, p,
            [&](int32_t k, bool sd) {
                const int64_t at = int64_t{p} + k;
                return at < len && word::isData(src.words[at]) &&
                       ((src.words[at] & word::kSd) != 0) == sd;
            },
            marks[0], marks[1]);
    }
    int64_t c = 0;  // words used on this page
    std::string text;
    for (int v = 1; v <= g.gintPrnRows; ++v) {
        for (int n = 1; n <= g.gintPrnCols; ++n, ++c) {
            const int64_t at = p + c;
            if (at >= len) {
                return static_cast<int32_t>(at + 1);  // the data has run out
            }
            const int next = at + 1 < len ? src.words[at + 1] : 0;
            const int kind =
                WordText(src.words[at], next, src.dispMode, src.asciiSaveMode, *src.chr, text);
            const int x = g.columnX(n);
            if (word::isData(kind)) {
                const bool sd = (kind & word::kSd) != 0;
                const int y = sd ? g.sdY(v) : g.rdY(v);
                ops.push_back(PrintOp::makeText(x, y, text, kPrintFontSize));
                if (src.frames != nullptr) {
                    printMarks(ops, x, y, marks[sd ? 1 : 0][static_cast<size_t>(c)]);
                }
            } else if (kind == word::kIdle || kind == word::kStamp) {
                // Two words across two columns: the mark above, the six digits below.
                const char* mark = kind == word::kIdle ? " IDLE" : " TMST";
                ops.push_back(PrintOp::makeText(x, g.rdY(v) + 1, mark, kPrintEntryFontSize));
                ops.push_back(PrintOp::makeText(x, g.sdY(v), text, kPrintEntryFontSize));
                ++c;
                ++n;
            }
        }
    }
    return static_cast<int32_t>(p + c);
}

int PrintMonitor(const PrintRequest& request, const PrintSource& src, int32_t top, PrintSink& sink,
                 Progress& progress) {
    const PrintGeometry g = PrintSetup(request.orient);
    const auto len = static_cast<int32_t>(src.words.size());
    int32_t p = std::clamp<int32_t>(top, 0, len);
    const int32_t first = p;
    // A page holds one word per cell.
    const uint64_t words = std::min<uint64_t>(
        static_cast<uint64_t>(len - first),
        static_cast<uint64_t>(std::max(request.pages, 1)) * g.gintPrnCols * g.gintPrnRows);
    sink.beginJob(g);
    int printed = 0;
    PageOps ops;
    for (int page = 1; page <= request.pages; ++page) {
        ops.clear();
        PrintPageFrame(ops, g, request.idleText, request.commText, page);
        const int32_t q = PrintPageData(ops, g, src, p);
        sink.drawPage(ops);
        ++printed;
        if (!progress.step(std::min<uint64_t>(static_cast<uint64_t>(q - first), words), words)) {
            sink.abortJob();
            return 0;
        }
        if (q > len) {
            break;
        }
        p = q;
    }
    sink.endJob();
    return printed;
}
