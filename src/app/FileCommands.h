#pragma once
#include <QPointer>
#include <QSocketNotifier>
#include <memory>
#include <string>

#include "app/FileDialog.h"
#include "files/LogFile.h"

struct AppContext;
class MDIMonitor;
class dlgTextSave;

// The File menu's capture log commands (open, save as) and its text save command, and the
// opening of a capture log file named on the command line or by a later start.
// The capture a command works on: an opened capture log file, or records held in memory with
// the header of their line settings.
struct CaptureInView {
    std::optional<std::string> file;
    LogHeader header;            // when no file
    std::vector<uint8_t> bytes;  // when no file
};

class FileCommands {
  public:
    static constexpr const char* kLogFilter = "vxmﾌｧｲﾙ(*.vxm);;すべてのﾌｧｲﾙ(*.*)";
    static constexpr const char* kPcapFilter = "pcapﾌｧｲﾙ(*.pcap)";

    FileCommands(AppContext& ctx, MDIMonitor& window);

    void mn_File_Open_Click();
    void mn_File_Save_Click();
    // Writes what the view shows (the opened file, otherwise the capture) as a pcap file.
    void mn_File_Pcap_Click();
    // Shows dlgTextSave (modeless); returns it for placing and tests.
    dlgTextSave* mn_File_Text_Click();
    // A run begins: the monitor shows the capture again instead of an opened file.
    void captureShown() { fileShown_ = false; }

    // Opens a capture log file as the open command does once its dialog has given the name:
    // the settings of its header, the view from its first word, the caption; or the failure
    // message. A file too large to show is refused before any work; the reading shows its
    // progress, and a cancel leaves everything as it was. False when the file is not shown.
    bool openLog(const std::string& name);
    // A capture log file named by a later start of the program: opened when no run is going
    // on, otherwise refused with a message; while a modal dialog is up (a question, or the
    // progress of long work), tried again every kForwardRetryMs until it has closed.
    void openForwarded(const std::string& name);
    static constexpr int kForwardRetryMs = 200;

    // Whether the view shows an opened file (the save command is then off) rather than the
    // capture.
    [[nodiscard]] bool fileInView() const;
    // What the view shows: the opened file (to be read again, in pieces), or a copy of the
    // capture with the header of the current settings.
    [[nodiscard]] CaptureInView captureInView() const;

    // The main window's one file dialog, shared by open, save and auto-save.
    [[nodiscard]] FileDialog& dialog() { return dialog_; }

  private:
    // The words of the opened file can no longer be read (their disk went away): the view
    // empties and the read failure is reported.
    void wordsLost();
    // The message of a capture log file that cannot be read.
    void readFailed();

    AppContext& ctx_;
    MDIMonitor& window_;
    FileDialog dialog_;
    FileDialog pcapDialog_;
    std::string openedFile_;  // the capture log file last opened
    bool fileShown_ = false;  // the monitor shows openedFile_, not the capture
    QPointer<dlgTextSave> textSave_;
    std::unique_ptr<QSocketNotifier> wordLoss_;  // watches for lost word files once one is shown
};
