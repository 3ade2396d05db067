#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/AtomicFile.h"
#include "files/LogFile.h"

// Exit codes of vexlo-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;

// The program that the messages name: "vexlo-cli" unless set.
void SetProgramName(const char* name);

// One line on standard error naming the file and the reason; returns kExitError.
int Fail(const std::string& file, const std::string& reason);

// A usage error: the message and the command's usage on standard error; returns kExitUsage.
int UsageError(const std::string& message, std::string_view usage);

// True, with the usage printed on standard output, when args ask for help (--help or -h).
bool HelpAsked(const std::vector<std::string>& args, std::string_view usage);

// The arguments of one command, taken one by one.
class ArgList {
  public:
    explicit ArgList(std::vector<std::string> args) : args_(std::move(args)) {}

    [[nodiscard]] bool done() const { return next_ >= args_.size(); }
    const std::string& Take() { return args_[next_++]; }
    // The value of the option just taken ("--cells 8" or "--cells=8"), or nothing when it
    // is missing.
    std::optional<std::string> Value(const std::string& option);
    // True when the next argument is the option (or the option with "=value").
    [[nodiscard]] bool Is(const std::string& option) const;

  private:
    std::vector<std::string> args_;
    size_t next_ = 0;
};

// The start every command shares: --help, then its parser over the arguments. The exit status
// when the command ends there (help shown, or a usage error), nothing when it goes on.
template <class Choices, class Parse>
std::optional<int> ParseCommand(std::vector<std::string> argv, std::string_view usage,
                                Choices& choices, Parse parse) {
    if (HelpAsked(argv, usage)) {
        return kExitOk;
    }
    ArgList args(std::move(argv));
    if (const std::optional<std::string> error = parse(args, choices)) {
        return UsageError(*error, usage);
    }
    return std::nullopt;
}

// The files of a conversion of a capture log file (export, pcap, frames).
struct ConversionFiles {
    std::optional<std::string> input;
    std::optional<std::string> output;
};

// The argument loop the conversions share: one input file, -o/--output OUT (not empty), the
// command's options that take a value (valued) and those that take none (flags). take(option,
// value) takes a value, flag(option) a flag; each returns the usage error or nothing. Returns
// the usage error ("<command>: unknown option --x", "... needs a value", "... no file given")
// or nothing.
using TakeValue =
    std::function<std::optional<std::string>(const std::string& option, const std::string& value)>;
using TakeFlag = std::function<std::optional<std::string>(const std::string& option)>;
std::optional<std::string> ParseConversion(ArgList& args, const std::string& command,
                                           ConversionFiles& files,
                                           std::initializer_list<const char*> valued,
                                           const TakeValue& take,
                                           std::initializer_list<const char*> flags = {},
                                           const TakeFlag& flag = {});

// Opens the capture log file to convert and checks the output, when given ("-" is standard
// output): not a folder, and not the input itself (the same file, also through links).
// Nothing, or the exit status after the one-line error has been printed.
std::optional<int> OpenConversion(LogReader& reader, const std::string& input,
                                  const std::optional<std::string>& output, std::string_view usage);

// The writer of a conversion's output: standard output for "-" or no output. SIGINT, SIGTERM
// and SIGHUP then remove its temporary file and end the command as the signal does.
std::unique_ptr<AtomicFileWriter> OpenOutput(const std::optional<std::string>& output);

// The output's name in messages.
std::string OutputName(const std::optional<std::string>& output);

// The index of text in names, or nothing.
std::optional<int16_t> PickOne(const std::string& text, std::initializer_list<const char*> names);

// A whole decimal number in [lo, hi], or nothing.
std::optional<int> ParseInt(const std::string& text, int lo, int hi);

int InfoCommand(std::vector<std::string> args);
int ExportCommand(std::vector<std::string> args);
int PcapCommand(std::vector<std::string> args);
int FramesCommand(std::vector<std::string> args);
int CaptureCommand(std::vector<std::string> args);
int DetectCommand(std::vector<std::string> args);
