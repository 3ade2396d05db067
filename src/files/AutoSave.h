#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/RunState.h"
#include "base/Settings.h"
#include "capture/Capture.h"
#include "files/LogFile.h"

// Told when block files cannot be written: once when a failure streak begins, once when it
// ends. Called on the thread that stores the bytes (the receive path): keep it short.
class AutoSaveReport {
  public:
    virtual ~AutoSaveReport() = default;
    // The block file name could not be written (error: ENOSPC, EACCES ...). Its bytes are kept
    // in memory and written before the next block.
    virtual void autoSaveFailed(const std::string& name, int error) = 0;
    // Every kept block has been written. droppedBytes were given up during the streak because
    // the kept blocks reached AutoSave::kKeepLimit (0 unless the streak was long).
    virtual void autoSaveRecovered(int64_t droppedBytes) = 0;
};

// The folder side of auto-save. The program uses the file system; tests fail writes on command.
class BlockFolder {
  public:
    virtual ~BlockFolder() = default;
    // The names of the entries of folder (files and folders alike), in the order the system
    // lists them; nothing when it cannot be listed.
    [[nodiscard]] virtual std::vector<std::string> list(const std::string& folder) const;
    // Writes the header and count bytes to name through a temporary file in the same folder
    // and a rename: 0, or the error number of the failing step (ENOSPC for a full disk ...).
    virtual int write(const std::string& name, const LogHeader& header, const uint8_t* bytes,
                      int32_t count);
    // True when something (a file or a folder) has the name.
    [[nodiscard]] virtual bool exists(const std::string& name) const;
    // Deletes the file name if it exists.
    virtual void remove(const std::string& name);
};

// Auto-save: every byte stored while gintAutoSave is 1 also goes into the capture's block
// (gbyteAutoDat, glngAutoLen); a full block, and the partial block at a stop, becomes a capture
// log file named base + "_" + twelve-digit stamp + ".vxm" in the base's folder. With
// gintMaxFiles > 0 only the newest gintMaxFiles files of the base are kept.
//
// Nothing is overwritten and nothing is lost silently:
// - a second block of the same second gets base_stamp_001.vxm, then _002 ... _999, which sort
//   after base_stamp.vxm and before the next second under the binary sort ("." < "_");
// - each file is written through a temporary file and a rename;
// - the rotation deletes old files only after the new one is on disk, except when the disk is
//   full: then the files the limit would delete anyway go first and the write is tried again;
// - a block that cannot be written is kept in memory and written, in order, before the next
//   block; the report hears of the first failure of a streak and of its end. Kept blocks are
//   limited to kKeepLimit bytes (or two blocks, if more): beyond that the oldest is given up.
class AutoSave final : public AutoSaveSink {
  public:
    static constexpr int64_t kKeepLimit = int64_t{64} << 20;
    static constexpr int kMaxSuffix = 999;

    // All must outlive the auto-save.
    AutoSave(const Settings& settings, RunState& run, Capture& capture, const Clock& clock,
             std::string programFolder);

    void setReport(AutoSaveReport* report) { report_ = report; }
    // nullptr: the file system.
    void setFolder(BlockFolder* folder) { folder_ = folder != nullptr ? folder : &fileSystem_; }

    // The file chosen in the auto-save dialog; empty for trigger saves.
    std::string gstrAutoFile;
    // The File menu's auto-save is on: a file was chosen (trigger saves choose none).
    [[nodiscard]] bool chosen() const { return !gstrAutoFile.empty(); }

    // gstrAutoFile without its last four characters (whatever they are), or the data folder
    // + "Trig" when gstrAutoFile is empty.
    [[nodiscard]] std::string base() const;
    // The twelve-digit stamp of the block about to be written: the start of the block from
    // LTime.txt with gintFileDate 0, else the current time.
    [[nodiscard]] std::string stamp() const;
    // The file name for the block about to be written, unique in the folder and among the
    // kept blocks; empty when all 999 suffixes of its second are taken (the block is then kept
    // and named when it is written).
    [[nodiscard]] std::string AutoSaveName();

    // The block is full (called by StoreByte): it is written, a new block begins and
    // LTime.txt takes the current time as the start of the next block.
    void AutoSaveBlock() override;
    // Writes the partial block (only while auto-save is on and the block holds bytes) and
    // empties it; LTime.txt stays. Kept blocks are tried again in any case.
    void AutoSaveFlush();
    // Deletes the oldest files of base so that, with the file about to be written,
    // gintMaxFiles remain: only the block files base + "_" + twelve digits [+ "_NNN"] + ".vxm"
    // take part, sorted with upQuickSort; base + ".vxm" and any other file stay.
    void RotateFiles(const std::string& base);

    int16_t WriteLTime() const;
    [[nodiscard]] std::string ReadLTime() const;

    [[nodiscard]] int64_t filesWritten() const { return written_; }
    [[nodiscard]] size_t keptBlocks() const { return kept_.size(); }
    [[nodiscard]] int64_t keptBytes() const;
    // True from a failed write until every kept block has been written.
    [[nodiscard]] bool failing() const { return streak_; }

  private:
    struct Block {
        std::vector<uint8_t> bytes;
        int32_t len = 0;
        std::string base, name;  // name empty: no free name in its second yet
        LogHeader header;
    };

    void keep(std::vector<uint8_t> bytes, int32_t len);
    void writeKept();
    [[nodiscard]] int writeBlock(Block& b);
    // Deletes the oldest files of base until keep of them remain, never the file spared.
    void deleteOldest(const std::string& base, int keep, const std::string& spared);
    [[nodiscard]] std::string uniqueName(const std::string& base, const std::string& stamp);
    [[nodiscard]] std::vector<uint8_t> spareBuffer(size_t size);
    void recycle(std::vector<uint8_t> bytes);

    const Settings& settings_;
    RunState& run_;
    Capture& capture_;
    const Clock& clock_;
    std::string programFolder_;
    BlockFolder fileSystem_;
    BlockFolder* folder_ = &fileSystem_;
    AutoSaveReport* report_ = nullptr;

    std::deque<Block> kept_;                    // taken and not yet written, oldest first
    std::vector<std::vector<uint8_t>> spares_;  // buffers of written blocks, for reuse
    std::string lastBase_, lastStamp_;          // the last name given out, for the next suffix
    int lastSuffix_ = 0;
    bool streak_ = false;
    int64_t dropped_ = 0;
    int64_t written_ = 0;
};
