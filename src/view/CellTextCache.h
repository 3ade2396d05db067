#pragma once
#include <QColor>
#include <QFont>
#include <QStaticText>
#include <QString>
#include <vector>

#include "capture/ByteText.h"
#include "view/CellText.h"

// The texts of every cell text id as QStrings, made once from gstrChr, and their laid-out
// forms for the current cell font, each prepared on its first use and kept until the font
// changes, so painting never lays out a text twice.
class CellTextCache {
  public:
    explicit CellTextCache(const ChrTable& chr);

    void setFont(const QFont& font);

    struct Entry {
        QStaticText layout;
        double advance = 0;  // width including leading and trailing blanks
        bool ready = false;
    };
    // The laid-out text; ids out of range give the empty text.
    [[nodiscard]] const Entry& layout(CellText::Id id);
    [[nodiscard]] double lineHeight() const { return lineHeight_; }
    [[nodiscard]] const QFont& font() const { return font_; }

  private:
    std::vector<QString> texts_;
    std::vector<Entry> entries_;
    QFont font_;
    double lineHeight_ = 0;
};

// The font of the grid in points: the Japanese gothic face the window was designed for,
// which is mapped to IPAGothic.
[[nodiscard]] QFont gridFont(double pointSize);

// A colour as the settings hold it: red + 256 green + 65536 blue.
[[nodiscard]] QColor winColor(int32_t v);
