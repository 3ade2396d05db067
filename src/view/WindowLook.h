#pragma once
#include <QIcon>
#include <string>

class QWidget;

// The program's icon: vexlo.svg and vexlo-48.png (the picture for Qt without SVG support),
// found as the other shipped pictures are (the program folder, the executable's folder where
// the build puts them, the installed data folder), else the icon the package installs for the
// menu. A null icon when there is none.
QIcon programIcon(const std::string& programFolder, const std::string& exeFolder);

// The width a window needs to show its whole caption in the title bar: the caption in a bold
// title font, plus room for the title bar's icon and buttons.
int captionWidth(const QWidget& window);

// Makes a window at least captionWidth wide, and keeps it so.
void fitCaption(QWidget& window);

// The program's fonts: IPAGothic for the user interface at 10 points, and in place of
// "ＭＳ ゴシック", the face of the cells and the printout.
void useProgramFonts();
