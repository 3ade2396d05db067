#include "e2e/LiveRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <fstream>
#include <iterator>

#include "link/QtLink.h"
#include "support/RunUntil.h"
#include "view/frmMonitor.h"

LiveRunTest::~LiveRunTest() {
    if (window) {
        window->close();  // the question is answered Yes
        RunUntil([this] { return window->shutdownDone(); }, 3000);
    }
}

void LiveRunTest::WriteSettings(const std::string& extraIni) {
    std::ofstream ini(folder.filePath(QStringLiteral("VXParam.ini")).toStdString());
    ini << "[VX_Inf]\nAuto=0\nPort=5\n" << extraIni;
}

void LiveRunTest::StartUnit(const QStringList& args) {
    QDir(folder.path()).mkpath(QStringLiteral("ports"));
    unit = std::make_unique<VirtualUnit>(
        folder.filePath(QStringLiteral("ports/COM5")),
        args +
            QStringList{QStringLiteral("--record"), folder.filePath(QStringLiteral("record.bin"))});
    ASSERT_TRUE(unit->ready()) << unit->errors().toStdString();
}

void LiveRunTest::OpenWindow() {
    window = std::make_unique<MainWindow>(ctx);
    window->show();
}

bool LiveRunTest::Start() {
    return window->RunStart() == 0 && RunUntil([this] { return ctx.core.run.gintRun == 1; }, 3000);
}

void LiveRunTest::RunThenQuiet(int ms, int quietMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    RunUntil([&] { return elapsed.elapsed() >= ms; }, ms + 1000);
    int32_t len = -1;
    QElapsedTimer still;
    RunUntil(
        [&] {
            if (ctx.core.capture.glngDatLen() != len) {
                len = ctx.core.capture.glngDatLen();
                still.start();
            }
            return still.elapsed() >= quietMs;
        },
        10'000);
}

void LiveRunTest::Stop() {
    window->RunStop();
    const CommLink& comm = window->frmComm().comm();
    EXPECT_TRUE(
        RunUntil([&] { return comm.lstCommand.empty() && ctx.core.run.gintSending == 0; }, 3000));
}

std::string LiveRunTest::Record() const {
    std::ifstream in(folder.filePath(QStringLiteral("record.bin")).toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string LiveRunTest::Stored() const {
    const Capture& c = ctx.core.capture;
    return {reinterpret_cast<const char*>(c.gbyteDat().data()),
            static_cast<size_t>(c.glngDatLen())};
}

int LiveRunTest::Asked(const std::string& text) const {
    int n = 0;
    for (const ScriptedPrompts::Asked& a : prompts.asked) {
        n += a.text == text ? 1 : 0;
    }
    return n;
}

LiveRunTest::Screen LiveRunTest::ScreenTexts() const {
    const CellGrid& cells = window->monitor().Cells();
    Screen s;
    for (int32_t k = 0; k < cells.Size(); ++k) {
        s.rd.push_back(cells.At(CellRow::RD, k).text);
        s.sd.push_back(cells.At(CellRow::SD, k).text);
    }
    return s;
}

void LiveRunTest::ExpectHistoryShowsTheLiveScreen(const Screen& live, int32_t livePos) const {
    const Capture& c = ctx.core.capture;
    EXPECT_EQ(ctx.core.run.gintRireki, 1);
    EXPECT_EQ(c.glngDispTop, c.glngDispLen() - livePos);
    EXPECT_TRUE(ScreenTexts() == live) << "the history does not show the last live screen";
}
