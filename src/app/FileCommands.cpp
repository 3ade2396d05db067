#include "app/FileCommands.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLocale>
#include <QTimer>
#include <filesystem>
#include <utility>
#include <vector>

#include "app/AppContext.h"
#include "app/BusyPointer.h"
#include "app/MDIMonitor.h"
#include "app/QString8.h"
#include "app/dlgTextSave.h"
#include "base/Status.h"
#include "files/AtomicFile.h"
#include "files/LogFile.h"
#include "files/PcapExport.h"
#include "files/ProgramFolder.h"
#include "view/frmMonitor.h"

#ifndef _WIN32
#include <unistd.h>
#endif

FileCommands::FileCommands(AppContext& ctx, MDIMonitor& window)
    : ctx_(ctx), window_(window), dialog_(ctx.prompts), pcapDialog_(ctx.prompts) {}

void FileCommands::mn_File_Save_Click() {
    const Settings& s = ctx_.core.settings;
    const std::optional<std::string> name =
        dialog_.save("名前を付けて保存", s.gstrSaveDir, kLogFilter);
    if (!name) {
        return;  // cancelled: nothing is saved
    }
    int16_t st;
    {
        BusyPointer busy;
        const Capture& c = ctx_.core.capture;
        st = SaveLog(*name, c.gbyteDat().data(), c.glngDatLen(), s);
    }
    if (st != status::kDone) {
        ctx_.prompts.message("通信ログファイルの保存に失敗しました", "ファイル保存の失敗",
                             Prompts::Icon::Critical, Prompts::Buttons::Ok);
        return;
    }
    window_.monitor().showFileCaption(qs(*name));
}

void FileCommands::mn_File_Open_Click() {
    const std::optional<std::string> name =
        dialog_.open("ﾌｧｲﾙを開く", ctx_.core.settings.gstrSaveDir, kLogFilter);
    if (!name) {
        return;
    }
    QCoreApplication::processEvents();  // the dialog's area is repainted before the wait
    openLog(*name);
}

bool FileCommands::openLog(const std::string& name) {
    CoreState& core = ctx_.core;
    std::string error;
    LogReader reader;
    const bool opened = reader.open(name, error);
    if (!opened && error.starts_with(LogReader::kNotALog)) {
        // Some other file (the format has no signature): its header holds values that no
        // setting can hold. Nothing is taken from it.
        ctx_.prompts.message(name + "\nは通信ログファイルではありません\n（" +
                                 faultText(headerFaults(reader.header()), true) + "）",
                             "ファイル読込みの失敗", Prompts::Icon::Critical, Prompts::Buttons::Ok);
        return false;
    }
    if (opened && reader.DataLength() > kLogShownMax) {
        // Refused before any work: its display words would be more than the view shows.
        const QLocale numbers(QLocale::Japanese);
        ctx_.prompts.message(
            "通信ログファイルが大きすぎるため開けません\n" + name + "\nデータ " +
                numbers.toString(static_cast<qulonglong>(reader.DataLength())).toStdString() +
                " バイト（開けるのは " +
                numbers.toString(static_cast<qulonglong>(kLogShownMax)).toStdString() +
                " バイトまで）",
            "ファイル読込みの失敗", Prompts::Icon::Critical, Prompts::Buttons::Ok);
        return false;
    }
    {
        BusyPointer busy;
        // A file larger than the capture buffer is converted piece by piece into display words
        // kept in a word file, so that memory stays bounded; a smaller one, or one whose words
        // find no folder, is read into memory. A cancel leaves everything as it was.
        const auto bufferBytes =
            static_cast<uint64_t>(core.capture.glngBufKeep()) + core.capture.glngBufSpare();
        WordFile words;
        bool inFile = false;
        if (opened && reader.DataLength() > bufferBytes) {
            const std::unique_ptr<Progress> dialog = ctx_.prompts.progress(
                "通信ログファイルを読み込んでいます\n" + name, "ファイルを開く");
            ProgressWatch progress(*dialog);
            inFile = logWordsToFile(reader,
                                    WordFile::folders(followLinks(nativePath(name)).parent_path()),
                                    words, error, progress);
            if (progress.cancelled()) {
                return false;
            }
        }
        std::vector<uint8_t> bytes;
        int32_t count = 0;
        if (inFile || LoadLog(name, bytes, count, core.settings) == status::kDone) {
            if (inFile) {
                applyHeader(reader.header(), core.settings);  // LoadLog took it otherwise
            }
            core.capture.glngCursol.assign(1, -1);
            core.run.gintRireki = 1;
            window_.MenuCheck();
            frmMonitor& monitor = window_.monitor();
            // The header's cell size takes effect at once, as its check mark shows it.
            monitor.CalcResize();
            if (inFile) {
                core.capture.adoptWords(std::move(words));
                if (!wordLoss_ && WordFile::lossNotifier() >= 0) {
                    wordLoss_ = std::make_unique<QSocketNotifier>(WordFile::lossNotifier(),
                                                                  QSocketNotifier::Read);
                    QObject::connect(wordLoss_.get(), &QSocketNotifier::activated,
                                     [this] { wordsLost(); });
                }
            } else {
                core.capture.CopyDat(bytes.data(), count);
            }
            monitor.dispRirekiAt(0);
            window_.menus().item("mn_Run_Start")->setEnabled(false);
            monitor.showFileCaption(qs(name));
            window_.menus().item("mn_File_Save")->setEnabled(false);
            openedFile_ = name;
            fileShown_ = true;
            return true;
        }
    }
    readFailed();
    return false;
}

void FileCommands::wordsLost() {
#ifndef _WIN32
    char drained[64];
    while (::read(WordFile::lossNotifier(), drained, sizeof drained) > 0) {
    }
#endif
    Capture& capture = ctx_.core.capture;
    if (!capture.wordsLost()) {
        return;  // words shown before, dropped since
    }
    capture.CopyDat(nullptr, 0);
    window_.monitor().dispRirekiAt(0);
    readFailed();
}

void FileCommands::readFailed() {
    ctx_.prompts.message("通信ログファイルの読込みに失敗しました", "ファイル読込みの失敗",
                         Prompts::Icon::Critical, Prompts::Buttons::Ok);
}

void FileCommands::openForwarded(const std::string& name) {
    if (QApplication::activeModalWidget() != nullptr) {
        // A dialog waits for the user, or long work shows its progress: the file is opened
        // once it has closed.
        QTimer::singleShot(kForwardRetryMs, &window_, [this, name] { openForwarded(name); });
        return;
    }
    if (ctx_.core.run.gintRun != 0) {
        ctx_.prompts.message("モニタ実行中は通信ログファイルを開けません\n" + name, "Vexlo",
                             Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
        return;
    }
    openLog(name);
}

void FileCommands::mn_File_Pcap_Click() {
    const std::optional<std::string> name =
        pcapDialog_.save("Wireshark形式で保存", ctx_.core.settings.gstrSaveDir, kPcapFilter);
    if (!name) {
        return;
    }
    bool written = false;
    {
        BusyPointer busy;
        // While an opened file is shown the save command is off: the view shows that file, not
        // the capture, and the file's own header and date give the times.
        if (fileInView()) {
            // Read in pieces: an opened file may be larger than memory. It is never replaced by
            // its own export.
            std::string error;
            LogReader reader;
            const std::optional<PcapTimes> times = fileTimes(openedFile_, std::nullopt);
            if (times && !sameFile(openedFile_, *name) && reader.open(openedFile_, error)) {
                const std::unique_ptr<Progress> dialog = ctx_.prompts.progress(
                    "Wireshark形式で保存しています\n" + *name, "Wireshark形式で保存");
                ProgressWatch progress(*dialog);
                AtomicFileWriter out(*name);
                written = writePcapOfLog(reader, *times, out, error, progress);
                if (progress.cancelled()) {
                    return;  // the file is as it was
                }
            }
        } else {
            const Capture& c = ctx_.core.capture;
            const DateTime now = ctx_.clock.now();
            written = writeFileAtomic(
                *name, pcapFromCapture(c.gbyteDat().data(), c.glngDatLen(),
                                       lineTimingOf(headerOf(ctx_.core.settings)),
                                       PcapTimes{localMidnight(now), localEpochMicros(now)}));
        }
    }
    if (!written) {
        ctx_.prompts.message("Wireshark形式の保存に失敗しました", "ファイル保存の失敗",
                             Prompts::Icon::Critical, Prompts::Buttons::Ok);
    }
}

bool FileCommands::fileInView() const {
    return fileShown_;
}

CaptureInView FileCommands::captureInView() const {
    if (fileInView()) {
        return {openedFile_, {}, {}};
    }
    const Capture& c = ctx_.core.capture;
    return {std::nullopt,
            headerOf(ctx_.core.settings),
            {c.gbyteDat().begin(), c.gbyteDat().begin() + c.glngDatLen()}};
}

dlgTextSave* FileCommands::mn_File_Text_Click() {
    if (textSave_ == nullptr) {
        textSave_ = new dlgTextSave(ctx_.core.settings, ctx_.core.capture, ctx_.core.gstrChr,
                                    ctx_.prompts, &window_);
    }
    textSave_->showDialog();
    return textSave_;
}
