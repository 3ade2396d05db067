// The program folder's lock: one instance per folder, and a folder that cannot be written.
#include "app/ProgramLock.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "support/RunUntil.h"

namespace {

// A folder below a regular file: it can neither be created nor written, whoever runs the test
// (root writes into read-only folders).
std::string Unwritable(const QTemporaryDir& dir) {
    QFile file(dir.filePath("file"));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    return dir.filePath("file/home").toStdString();
}

// vexlo on the offscreen platform with the given program folder.
class App {
  public:
    explicit App(const std::string& home) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process_.setProcessEnvironment(env);
        process_.start(VEXLO_APP_PATH, {"--home", QString::fromStdString(home)});
        EXPECT_TRUE(process_.waitForStarted(5000));
    }
    ~App() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    [[nodiscard]] bool Running() const { return process_.state() == QProcess::Running; }
    // Waits until the program has ended: its exit code, or -1 when it did not end.
    int Finished(int ms) {
        if (!process_.waitForFinished(ms) || process_.exitStatus() != QProcess::NormalExit) {
            return -1;
        }
        return process_.exitCode();
    }
    // Ends the program as a logout does.
    void Terminate() { ::kill(static_cast<pid_t>(process_.processId()), SIGTERM); }
    // What the program itself wrote on standard error so far (Qt's own warnings left out).
    std::string Errors() {
        std::string mine;
        for (const QString& line :
             QString::fromUtf8(process_.readAllStandardError()).split('\n', Qt::SkipEmptyParts)) {
            if (!line.startsWith("QStandardPaths:") && !line.startsWith("This plugin")) {
                mine += line.toStdString() + "\n";
            }
        }
        return mine;
    }
    QProcess& process() { return process_; }

  private:
    QProcess process_;
};

}  // namespace

TEST(ProgramLockTest, OnlyALockHeldByARunningInstanceMeansAnotherInstance) {
    QTemporaryDir dir;
    const std::string missing = dir.filePath("a/b").toStdString();
    {
        const ProgramLock first(missing);  // the folder is made, parents included
        EXPECT_EQ(first.result(), ProgramLock::Result::Locked);
        EXPECT_TRUE(QFileInfo::exists(dir.filePath("a/b/vexlo.lock")));
        const ProgramLock second(missing);
        EXPECT_EQ(second.result(), ProgramLock::Result::HeldByAnother);
    }
    // Released at the end of the first instance.
    EXPECT_EQ(ProgramLock(missing).result(), ProgramLock::Result::Locked);
    EXPECT_EQ(ProgramLock(Unwritable(dir)).result(), ProgramLock::Result::NotWritable);
}

TEST(ProgramLockTest, AnUnwritableFolderStartsTheProgramAndSaysSoOnce) {
    QTemporaryDir dir;
    const std::string home = Unwritable(dir);
    App app(home);
    const std::string said = "vexlo: " + ProgramLock::notWritableText(home) + "\n";
    std::string errors;
    ASSERT_TRUE(RunUntil(
        [&] {
            app.process().waitForReadyRead(10);
            errors += app.Errors();
            return errors.size() >= said.size();
        },
        10'000));
    EXPECT_EQ(errors, said);
    EXPECT_TRUE(app.Running());
    app.Terminate();  // also dismisses the message box
    EXPECT_EQ(app.Finished(10'000), 0);
    EXPECT_EQ(app.Errors(), "");
}

TEST(ProgramLockTest, ASecondProgramOnTheSameFolderEndsSilentlyAndAMissingFolderIsMade) {
    QTemporaryDir dir;
    const std::string home = dir.filePath("new/home").toStdString();
    App first(home);
    ASSERT_TRUE(
        RunUntil([&] { return QFileInfo::exists(dir.filePath("new/home/vexlo.lock")); }, 10'000));
    App second(home);
    EXPECT_EQ(second.Finished(10'000), 0);
    EXPECT_EQ(second.Errors(), "");
    EXPECT_TRUE(first.Running());
    first.Terminate();
    EXPECT_EQ(first.Finished(10'000), 0);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("new/home/VXParam.ini")));
}
