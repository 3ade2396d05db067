#include "app/ProgramLock.h"

#include <QDir>

#include "app/QString8.h"
#include "files/ProgramFolder.h"

ProgramLock::ProgramLock(const std::string& folder) : lock_(qs(joinPath(folder, "vexlo.lock"))) {
    lock_.setStaleLockTime(0);  // only a lock whose process has gone is stale
    QDir().mkpath(qs(folder));
    if (lock_.tryLock(0)) {
        result_ = Result::Locked;
    } else if (lock_.error() == QLockFile::LockFailedError) {
        result_ = Result::HeldByAnother;
    }
}

std::string ProgramLock::notWritableText(const std::string& folder) {
    return "プログラムフォルダ " + folder +
           " に書き込めません\n設定とキャプチャはこのフォルダに保存されません";
}
