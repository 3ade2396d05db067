// vexlo-screenshots: the pictures of the user guide, taken of the program's own windows.
//
//   vexlo-screenshots --out DIR --captures DIR
//
// Opens the real main window offscreen on a program folder of its own, runs the virtual unit's
// errors scenario for the live picture, then its Modbus polls with the frame list shown, then
// opens the fixed captures chat.vxm, modbus.vxm and blocks.vxm of the captures folder through the
// file menu and takes each picture through the menus and dialogs a user would use. The pictures
// are PNG files of at most kMaxWidth pixels.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "SimulatorWindow.h"
#include "UnitControl.h"
#include "app/AppContext.h"
#include "app/MDIMonitor.h"
#include "app/QtPrompts.h"
#include "app/QtTranslations.h"
#include "app/dlgPrint.h"
#include "app/dlgProtoEdit.h"
#include "app/frmAbout.h"
#include "app/frmGuide.h"
#include "app/frmLineSearch.h"
#include "link/QtPortFactory.h"
#include "link/frmComm.h"
#include "support/OffscreenScreen.h"
#include "support/RunUntil.h"
#include "support/ScriptedPrompts.h"
#include "support/VirtualUnit.h"
#include "view/WindowLook.h"

namespace {

constexpr int kMaxWidth = 1200;
constexpr int kWindowWidth = 1100;
constexpr int kWindowHeight = 640;
constexpr int kTwipsPerPixel = 15;  // at the 96 dpi of the offscreen screen

// The machine's printers are never asked: the print dialog offers its PDF file instead.
class NoPrinter final : public PrinterOutput {
  public:
    [[nodiscard]] bool hasPrinter() const override { return false; }
    void print(const PrintRequest&, const PrintSource&, int32_t, Progress&) override {}
};

[[noreturn]] void Fail(const QString& what) {
    std::fprintf(stderr, "vexlo-screenshots: %s\n", qPrintable(what));
    std::exit(1);
}

// Lets the window paint what changed (the cell surface paints at most once a frame).
void Settle() {
    QElapsedTimer t;
    t.start();
    RunUntil([&] { return t.elapsed() >= 150; }, 1000);
}

// Lets events run until the capture has not grown for quietMs, or limitMs have passed.
void RunUntilQuiet(const Capture& capture, int quietMs, int limitMs) {
    int32_t last = capture.glngDatLen();
    QElapsedTimer still;
    still.start();
    RunUntil(
        [&] {
            if (capture.glngDatLen() != last) {
                last = capture.glngDatLen();
                still.start();
            }
            return still.elapsed() >= quietMs;
        },
        limitMs);
}

class Shooter {
  public:
    Shooter(QString outDir, QString captures)
        : out_(std::move(outDir)), captures_(std::move(captures)) {
        if (!folder_.isValid()) {
            Fail("no temporary folder");
        }
        QDir(folder_.path()).mkpath("ports");
    }
    ~Shooter() {
        if (window_ && !window_->shutdownDone()) {
            window_->shutdownNow();
            RunUntil([this] { return window_->shutdownDone(); }, 3000);
        }
    }

    // The window during a run of the errors scenario at 9600 7E1, with four lines on.
    void Live() {
        std::ofstream ini(path("VXParam.ini"));
        ini << "[VX_Inf]\nAuto=0\nPort=5\n[Window_Inf]\nState=0\nHeight="
            << kWindowHeight * kTwipsPerPixel << "\nWidth=" << kWindowWidth * kTwipsPerPixel
            << "\n[Comm_Inf]\nSpeed=9600\nParity=2\nDataLength=0\n"
            << "[Mode_Inf]\nIdleMode=0\nTimeStamp=0\nLineState=1\n";
        ini.close();
        unit_ =
            std::make_unique<VirtualUnit>(QDir(folder_.path()).filePath("ports/COM5"),
                                          QStringList{"--scenario", "errors", "--seed", "4",
                                                      "--rate-factor", "20", "--duration", "40"});
        if (!unit_->ready()) {
            Fail("the virtual unit did not start: " + unit_->errors());
        }
        window_ = std::make_unique<MDIMonitor>(ctx_);
        window_->show();
        Settle();
        Menu("mn_Run_Start");
        if (!RunUntil([this] { return ctx_.core.run.gintRun == 1; }, 5000)) {
            Fail("the unit did not start monitoring");
        }
        UnitControl control;
        if (!control.connectTo(QDir(folder_.path()).filePath("ports/COM5.ctl"))) {
            Fail("no control channel");
        }
        for (const int line : {0, 1, 2, 3}) {
            control.setLine(line, true);
        }
        // The scenario's traffic ends after its duration; the picture shows all of it.
        RunUntil([this] { return ctx_.core.capture.glngDatLen() > 0; }, 5000);
        RunUntilQuiet(ctx_.core.capture, 500, 20'000);
        save(Framed(*window_), "main-live.png");
        simulator();
        Menu("mn_Run_Stop");
        const CommLink& comm = window_->link().comm();
        RunUntil([&] { return comm.lstCommand.empty() && ctx_.core.run.gintSending == 0; }, 3000);
    }

    // A new run on a unit on port 6 polling Modbus RTU at 19200 8N1 (four polls a second),
    // with the frame list shown below the grid and the Modbus protocol chosen: the rows and
    // the grid's frame marks while the run goes on. The list is hidden again afterwards.
    void frameListLive() {
        // The first unit stays on port 5: a unit that went away would be reported.
        modbusUnit_ = std::make_unique<VirtualUnit>(
            QDir(folder_.path()).filePath("ports/COM6"),
            QStringList{"--scenario", "modbus", "--seed", "3", "--rate-factor", "4"});
        if (!modbusUnit_->ready()) {
            Fail("the virtual unit did not start: " + modbusUnit_->errors());
        }
        Settings& s = ctx_.core.settings;
        s.gintPortNo = 6;
        s.glngSpeed = 19200;
        s.gintParity = 0;
        s.gintDataLen = 1;
        s.gintLineState = 0;
        window_->MenuCheck();
        Menu("mn_View_Idle_Scale2");  // 100 ms: an idle gap ends each reply at once
        Menu("mn_View_Frames");
        QWidget* list = find<QWidget>(window_.get(), "frmFrames");
        find<QComboBox>(list, "cmbFrameProtocol")->setCurrentText("modbus-rtu");
        find<QSpinBox>(list, "spnFrameLate")->setValue(15);
        Menu("mn_Run_Restart");
        if (!RunUntil([this] { return ctx_.core.run.gintRun == 1; }, 5000)) {
            Fail("the unit did not start monitoring");
        }
        RunUntil([] { return false; }, 7000);
        save(Framed(*window_), "frame-list-live.png");
        Menu("mn_Run_Stop");
        const CommLink& comm = window_->link().comm();
        RunUntil([&] { return comm.lstCommand.empty() && ctx_.core.run.gintSending == 0; }, 3000);
        Menu("mn_View_Frames");
        Menu("mn_View_Idle_Scale0");
        s.gintPortNo = 5;  // back to the first unit, for the pictures that follow
    }

    // The line settings search after a search: the unit's chat on a 19200,E,7,1 line, the
    // program's settings those the runs before left.
    void lineSearch() {
        window_->link().comm().PortClose();  // the unit of the live run goes; no loss to tell
        unit_.reset();
        unit_ = std::make_unique<VirtualUnit>(
            QDir(folder_.path()).filePath("ports/COM5"),
            QStringList{"--scenario", "chat", "--seed", "3", "--rate-factor", "30", "--line",
                        "19200,7,E,1"});
        if (!unit_->ready()) {
            Fail("the virtual unit did not start: " + unit_->errors());
        }
        Menu("mn_Tool_LineSearch");
        auto* search = find<frmLineSearch>(window_.get(), "frmLineSearch");
        search->resize(kWindowWidth - 100, 620);
        search->cmdStart_Click();
        if (search->result().outcome != LineSearchResult::Outcome::Found) {
            Fail("the line settings search found nothing: " +
                 QString::fromStdString(search->result().reason));
        }
        Settle();
        save(Framed(*search), "line-search.png");
        search->close();
    }

    // The simulator's window on the same virtual unit during the run: a line of text sent on RD.
    void simulator() {
        UnitControl control;
        SimulatorWindow sim(control, folder_.path(), {});
        sim.show();
        sim.cmdConnect_Click();
        find<QRadioButton>(&sim, "optDir1")->click();
        find<QLineEdit>(&sim, "txtData")->setText("HELLO");
        sim.cmdSend_Click();
        auto* log = find<QListWidget>(&sim, "lstLog");
        RunUntil([log] { return log->count() >= 1; }, 3000);
        Settle();
        save(Framed(sim), "simulator.png");
    }

    // The version window over the main window after the run: the firmware version the probe found.
    void about() {
        Menu("mn_Help_Version");
        auto* about = find<frmAbout>(window_.get(), "frmAbout");
        Settle();
        save(WithDialog(*about), "about.png");
        find<QPushButton>(about, "cmdOK")->click();
    }

    // The guide in its window, at the section on scrolling, reached from its contents.
    void guide() {
        Menu("mn_Help_Guide");
        auto* guide = find<frmGuide>(window_.get(), "frmGuide");
        guide->resize(kWindowWidth - 100, kWindowHeight);
        guide->browser().follow(QUrl("#スクロールとジャンプ"));
        Settle();
        save(Framed(*guide), "guide.png");
        guide->close();
    }

    // The history of chat.vxm, its hex view and a search hit; a page of it printed.
    void history() {
        open("chat.vxm");
        save(Framed(*window_), "history.png");
        Menu("mn_View_Mode1");
        Settle();
        save(Framed(*window_), "hex.png");
        Menu("mn_View_Mode0");

        Menu("mn_Search_Search");
        QWidget* search = find<QWidget>(window_.get(), "dlgSearch");
        find<QComboBox>(search, "cmbSearch")->setEditText("VOLT");
        find<QPushButton>(search, "OKButton")->click();
        Settle();
        Silent("search");
        save(WithDialog(*search), "search.png");
        find<QPushButton>(search, "CancelButton")->click();

        Menu("mn_View_SJump");
        Menu("mn_File_Print");
        auto* print = find<dlgPrint>(window_.get(), "dlgPrint");
        NoPrinter none;
        print->setPrinterOutput(none);
        const QString pdf = QDir(folder_.path()).filePath("page.pdf");
        prompts_.files.push_back(pdf.toStdString());
        prompts_.asked.clear();  // the question whether to write a PDF file instead
        find<QPushButton>(print, "OKButton")->click();
        prompts_.asked.clear();
        PdfPage(pdf, "print.png");
    }

    // The trigger dialog with a string trigger that stops the monitor.
    void Trigger() {
        Menu("mn_Tool_Trig");
        QWidget* dialog = find<QWidget>(window_.get(), "dlgTrigger");
        find<QRadioButton>(dialog, "optEvent1")->click();
        find<QLineEdit>(dialog, "txtChr")->setText("ERR");
        find<QRadioButton>(dialog, "optAction0")->click();
        find<QLineEdit>(dialog, "txtStop")->setText("32");
        Settle();
        save(Framed(*dialog), "trigger.png");
        find<QPushButton>(dialog, "OKButton")->click();  // kept for the trigger stop below
        Silent("trigger");
    }

    // The reply-time window of modbus.vxm with the Modbus frames and a late threshold.
    void frames() {
        open("modbus.vxm");
        Menu("mn_Tool_Analysis");
        QWidget* frames = find<QWidget>(window_.get(), "frmAnalysis");
        find<QComboBox>(frames, "cmbProtocol")->setCurrentText("modbus-rtu");
        frames->resize(kMaxWidth - 2, 760);  // with its frame, kMaxWidth wide
        Settle();
        save(Framed(*frames), "frames.png");
        frames->close();
    }

    // The refusal of a file that is not a capture: the PDF file of the print picture.
    void notCapture() {
        prompts_.files.push_back(path("page.pdf"));
        window_->menus().item("mn_File_Open")->trigger();
        Settle();
        messageShot("not-capture.png", "通信ログファイルではありません");
    }

    // The message when no unit answers, with the port tried: the virtual unit has gone.
    void noUnit() {
        unit_.reset();  // its link goes with it
        window_->menus().item("mn_Run_Restart")->trigger();
        RunUntil([this] { return ctx_.core.run.gintRun == 0 && !prompts_.asked.empty(); }, 10'000);
        messageShot("no-unit.png", "試したポート");
    }

    // The caption after the string trigger of Trigger() has stopped a run of the chat scenario.
    void triggerStop() {
        unit_ = std::make_unique<VirtualUnit>(
            QDir(folder_.path()).filePath("ports/COM5"),
            QStringList{"--scenario", "chat", "--seed", "4", "--rate-factor", "20"});
        if (!unit_->ready()) {
            Fail("the virtual unit did not start: " + unit_->errors());
        }
        // The failed start above left blocks.vxm in view: a new start clears it. The questions
        // (the trigger is set) are answered yes.
        window_->menus().item("mn_Run_Restart")->trigger();
        if (!RunUntil([this] { return ctx_.core.run.gintRun == 1; }, 5000) ||
            !RunUntil([this] { return ctx_.core.run.gintRun == 0; }, 20'000)) {
            Fail("the trigger did not stop the run");
        }
        Settle();
        save(Framed(*window_), "trigger-stop.png");
        prompts_.asked.clear();
    }

    // The protocol editor on modbus.vxm (still open from the reply-time window): a definition
    // that frames Modbus RTU replies by their byte count, and its preview with the counts.
    void protocolEditor() {
        std::ofstream(path("VXProto.ini"))
            << "; Vexlo protocol definitions\n"
               "[stx-etx]\nStart=02\nEnd=03\nCheck=xor8\nCheckAfterEnd=1\nTimeout=100\n\n"
               "[rtu-reply]\nLength=2,1,BE,5\nCheck=crc16-modbus\nTimeout=5\n";
        Menu("mn_Tool_ProtoEdit");
        auto* editor = find<dlgProtoEdit>(window_.get(), "dlgProtoEdit");
        find<QListWidget>(editor, "lstProto")->setCurrentRow(1);
        if (!RunUntil([editor] { return editor->previewDone(); }, 10'000)) {
            Fail("the preview did not finish");
        }
        Settle();
        save(Framed(*editor), "protocol-editor.png");
        find<QPushButton>(editor, "CancelButton")->click();
    }

    // The reply-time window of blocks.vxm framed by the blocks definition of the program
    // folder's VXProto.ini: the replies whose CRC was made wrong stand in the bad-check colour.
    void protocolFrames() {
        std::ofstream(path("VXProto.ini"))
            << "[blocks]\nStart=02\nEnd=03\nLength=1,1,BE,5\nCheck=crc16-ccitt-false\n"
               "CheckFrom=1\nMax=260\n";
        open("blocks.vxm");
        Menu("mn_Tool_Analysis");
        QWidget* frames = find<QWidget>(window_.get(), "frmAnalysis");
        find<QComboBox>(frames, "cmbProtocol")->setCurrentText("blocks");
        frames->resize(kMaxWidth - 2, 760);
        Settle();
        save(Framed(*frames), "frames-protocol.png");
        frames->close();
    }

  private:
    // The last message asked that holds text, as the program shows it, over the main window.
    void messageShot(const char* name, const char* text) {
        const auto asked = std::find_if(prompts_.asked.rbegin(), prompts_.asked.rend(),
                                        [text](const ScriptedPrompts::Asked& a) {
                                            return a.text.find(text) != std::string::npos;
                                        });
        if (asked == prompts_.asked.rend()) {
            Fail(QString("no message with %1").arg(text));
        }
        QMessageBox box(window_.get());
        QtPrompts::fill(box, asked->text, asked->title, asked->icon, asked->buttons);
        box.show();
        Settle();
        save(WithDialog(box), name);
        box.close();
        prompts_.asked.clear();
    }

    [[nodiscard]] std::string path(const char* name) const {
        return QDir(folder_.path()).filePath(name).toStdString();
    }

    void Menu(const char* name) {
        QAction* item = window_->menus().item(name);
        if (!item->isEnabled()) {
            Fail(QString("the menu item %1 is not enabled").arg(name));
        }
        item->trigger();
        Settle();
        Silent(name);
    }

    // Each step goes without a message; one means that the picture would not show its subject.
    void Silent(const char* step) const {
        if (!prompts_.asked.empty()) {
            Fail(QString("%1: %2").arg(step, QString::fromStdString(prompts_.asked.back().text)));
        }
    }

    // Opens a capture of the captures folder through the file menu.
    void open(const char* name) {
        prompts_.files.push_back(QDir(captures_).filePath(name).toStdString());
        Menu("mn_File_Open");
    }

    template <class T>
    T* find(QWidget* parent, const char* name) {
        T* widget = parent->findChild<T*>(name);
        if (widget == nullptr || !widget->isVisible()) {
            Fail(QString("no %1 shown").arg(name));
        }
        return widget;
    }

    // A window with the title bar its style draws for it (the offscreen screen has none).
    static QPixmap Framed(QWidget& window) {
        const QPixmap inside = window.grab();
        QStyleOptionTitleBar bar;
        bar.initFrom(&window);
        bar.text = window.windowTitle();
        bar.icon = window.windowIcon();
        bar.titleBarFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            (qobject_cast<QDialog*>(&window) != nullptr
                                 ? Qt::WindowCloseButtonHint
                                 : Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
        bar.titleBarState = Qt::WindowActive;
        bar.state |= QStyle::State_Active;
        bar.subControls = QStyle::SC_All;
        const int height = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, &bar, &window);
        bar.rect = QRect(0, 0, inside.width(), height);
        QPixmap framed(inside.width() + 2, inside.height() + height + 2);
        framed.fill(Qt::darkGray);
        QPainter painter(&framed);
        painter.translate(1, 1);
        window.style()->drawComplexControl(QStyle::CC_TitleBar, &bar, &painter, &window);
        painter.drawPixmap(0, height, inside);
        return framed;
    }

    // The main window with the dialog over its lower right corner, as it stands there.
    QPixmap WithDialog(QWidget& dialog) {
        QPixmap picture = Framed(*window_);
        const QPixmap front = Framed(dialog);
        QPainter painter(&picture);
        painter.drawPixmap(picture.width() - front.width() - 24,
                           picture.height() - front.height() - 60, front);
        return picture;
    }

    // The first page of a PDF file as a picture (pdftoppm of poppler-utils).
    void PdfPage(const QString& pdf, const char* name) {
        if (!QFileInfo::exists(pdf)) {
            Fail("the print dialog wrote no PDF file");
        }
        const QString prefix = QDir(folder_.path()).filePath("page");
        QProcess p;
        p.start("pdftoppm", {"-png", "-r", "100", "-singlefile", "-f", "1", pdf, prefix});
        if (!p.waitForFinished(60'000) || p.exitCode() != 0) {
            Fail("pdftoppm: " + QString::fromLocal8Bit(p.readAllStandardError()));
        }
        save(QPixmap::fromImage(QImage(prefix + ".png")), name);
    }

    void save(const QPixmap& pixmap, const char* name) {
        QImage image = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
        if (image.width() > kMaxWidth) {
            image = image.scaledToWidth(kMaxWidth, Qt::SmoothTransformation);
        }
        // A picture of few colours is stored with a palette (exactly: no colour changes).
        std::set<QRgb> colours;
        for (int y = 0; y < image.height() && colours.size() <= 256; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            colours.insert(line, line + image.width());
        }
        if (colours.size() <= 256) {
            image = image.convertToFormat(QImage::Format_Indexed8,
                                          QList<QRgb>(colours.begin(), colours.end()),
                                          Qt::ThresholdDither | Qt::AvoidDither);
        }
        QImageWriter writer(QDir(out_).filePath(name), "png");
        writer.setQuality(0);  // the strongest compression
        if (!writer.write(image)) {
            Fail(QString("%1: %2").arg(writer.fileName(), writer.errorString()));
        }
        std::printf("%s\n", qPrintable(writer.fileName()));
    }

    QString out_;
    QString captures_;
    QTemporaryDir folder_;
    SystemClock clock_;
    ScriptedPrompts prompts_;
    QtPortFactory ports_;  // the real serial port code, on the virtual unit's terminal
    AppContext ctx_{clock_, prompts_, ports_, folder_.path().toStdString()};
    std::unique_ptr<VirtualUnit> unit_;
    std::unique_ptr<VirtualUnit> modbusUnit_;
    std::unique_ptr<MDIMonitor> window_;
};

}  // namespace

int main(int argc, char* argv[]) {
    OffscreenDesktop screen;
    useJapaneseLocale();
    QApplication app(argc, argv);
    screen.applied();
    const QStringList args = QApplication::arguments();
    const qsizetype out = args.indexOf("--out");
    const qsizetype captures = args.indexOf("--captures");
    if (out < 0 || out + 1 >= args.size() || captures < 0 || captures + 1 >= args.size()) {
        std::fprintf(stderr, "usage: vexlo-screenshots --out DIR --captures DIR\n");
        return 2;
    }
    if (!QDir().mkpath(args[out + 1])) {
        Fail(args[out + 1] + ": cannot make the folder");
    }
    installQtJapanese(app);
    useProgramFonts();
    QApplication::setWindowIcon(
        programIcon({}, QCoreApplication::applicationDirPath().toStdString()));

    Shooter shooter(args[out + 1], args[captures + 1]);
    shooter.Live();
    shooter.frameListLive();
    shooter.about();
    shooter.lineSearch();  // after the version window, whose picture shows the run before
    shooter.guide();
    shooter.history();
    shooter.Trigger();
    shooter.frames();
    shooter.protocolEditor();
    shooter.protocolFrames();
    shooter.notCapture();
    shooter.noUnit();
    shooter.triggerStop();
    return 0;
}
