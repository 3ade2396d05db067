#include "Cli.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "files/LogFile.h"
#include "files/ProgramFolder.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {
const char* gProgramName = "vexlo-cli";

#ifndef _WIN32
// The temporary file of the conversion under way. Set once before the handlers are installed
// and never changed again, so the handler only reads it.
std::string gTemporaryName;
std::atomic<const char*> gTemporary{nullptr};

// Ends the command as the signal would have, without its temporary file: the target has not
// been touched yet. Only async-signal-safe calls.
void removeTemporaryAndEnd(int sig) {
    if (const char* name = gTemporary.load()) {
        ::unlink(name);
    }
    ::signal(sig, SIG_DFL);
    ::raise(sig);  // delivered, with the default action, when the handler returns
}

// The writer of output, whose temporary file a Ctrl-C, SIGTERM or SIGHUP (a closed terminal)
// during the conversion removes. The signals are held back until the handlers are in place,
// so none comes between the making of the file and them; a signal that the caller ignores
// (nohup, a background job) stays ignored.
std::unique_ptr<AtomicFileWriter> writerRemovedOnSignals(const std::string& output) {
    sigset_t ending;
    sigset_t before;
    sigemptyset(&ending);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&ending, sig);
    }
    ::sigprocmask(SIG_BLOCK, &ending, &before);
    auto writer = std::make_unique<AtomicFileWriter>(output);
    if (!writer->temporary().empty() && gTemporary.load() == nullptr) {
        gTemporaryName = writer->temporary().string();
        gTemporary.store(gTemporaryName.c_str());
        struct sigaction action {};
        action.sa_handler = removeTemporaryAndEnd;
        sigemptyset(&action.sa_mask);
        for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction old {};
            if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) {
                ::sigaction(sig, &action, nullptr);
            }
        }
    }
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
    return writer;
}
#endif
}  // namespace

void SetProgramName(const char* name) {
    gProgramName = name;
}

int Fail(const std::string& file, const std::string& reason) {
    std::fprintf(stderr, "%s: %s: %s\n", gProgramName, file.c_str(), reason.c_str());
    return kExitError;
}

int UsageError(const std::string& message, std::string_view usage) {
    std::fprintf(stderr, "%s: %s\n%.*s", gProgramName, message.c_str(),
                 static_cast<int>(usage.size()), usage.data());
    return kExitUsage;
}

bool ArgList::Is(const std::string& option) const {
    if (done()) {
        return false;
    }
    const std::string& a = args_[next_];
    return a == option || a.rfind(option + "=", 0) == 0;
}

std::optional<std::string> ArgList::Value(const std::string& option) {
    const std::string& taken = args_[next_ - 1];
    if (taken.size() > option.size() && taken[option.size()] == '=') {
        return taken.substr(option.size() + 1);
    }
    if (done()) {
        return std::nullopt;
    }
    return Take();
}

std::optional<int> ParseInt(const std::string& text, int lo, int hi) {
    int v = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || p != end || v < lo || v > hi) {
        return std::nullopt;
    }
    return v;
}

bool HelpAsked(const std::vector<std::string>& args, std::string_view usage) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::fwrite(usage.data(), 1, usage.size(), stdout);
            return true;
        }
    }
    return false;
}

std::optional<int> OpenConversion(LogReader& reader, const std::string& input,
                                  const std::optional<std::string>& output,
                                  std::string_view usage) {
    std::string error;
    if (!reader.open(input, error)) {
        return Fail(input, error);
    }
    if (!output || *output == "-") {
        return std::nullopt;
    }
    // A name the system cannot look up (a loop of links, too long, a folder on the way that
    // may not be searched) is the output's error; a name not there yet is made later.
    std::error_code ec;
    const std::filesystem::file_type type = std::filesystem::status(nativePath(*output), ec).type();
    if (type == std::filesystem::file_type::directory) {
        return Fail(*output, "is a folder");
    }
    if (ec && type != std::filesystem::file_type::not_found) {
        return Fail(*output, "cannot be written: " + ec.message());
    }
    if (sameFile(input, *output)) {
        return UsageError(*output + " is the input file", usage);
    }
    return std::nullopt;
}

std::unique_ptr<AtomicFileWriter> OpenOutput(const std::optional<std::string>& output) {
    if (!output || *output == "-") {
        return std::make_unique<AtomicFileWriter>(AtomicFileWriter::StandardOutput{});
    }
#ifdef _WIN32
    return std::make_unique<AtomicFileWriter>(*output);
#else
    return writerRemovedOnSignals(*output);
#endif
}

std::string OutputName(const std::optional<std::string>& output) {
    return !output || *output == "-" ? std::string("standard output") : *output;
}

std::optional<int16_t> PickOne(const std::string& text, std::initializer_list<const char*> names) {
    int16_t i = 0;
    for (const char* n : names) {
        if (text == n) {
            return i;
        }
        ++i;
    }
    return std::nullopt;
}

std::optional<std::string> ParseConversion(ArgList& args, const std::string& command,
                                           ConversionFiles& files,
                                           std::initializer_list<const char*> valued,
                                           const TakeValue& take,
                                           std::initializer_list<const char*> flags,
                                           const TakeFlag& flag) {
    while (!args.done()) {
        std::optional<std::string> option;
        for (const char* name : {"-o", "--output"}) {
            option = args.Is(name) ? std::optional<std::string>(name) : option;
        }
        for (const char* name : valued) {
            option = args.Is(name) ? std::optional<std::string>(name) : option;
        }
        const std::string a = args.Take();
        if (!option) {
            const bool isFlag = std::find(flags.begin(), flags.end(), a) != flags.end();
            if (isFlag) {
                if (std::optional<std::string> error = flag(a)) {
                    return error;
                }
            } else if (a.size() > 1 && a[0] == '-') {
                return command + ": unknown option " + a;
            } else if (files.input) {
                return command + ": more than one file";
            } else {
                files.input = a;
            }
            continue;
        }
        const std::optional<std::string> v = args.Value(*option);
        if (!v || v->empty()) {
            return command + ": " + *option + " needs a value";
        }
        if (*option == "-o" || *option == "--output") {
            files.output = *v;
        } else if (std::optional<std::string> error = take(*option, *v)) {
            return command + ": " + *error;
        }
    }
    if (!files.input) {
        return command + ": no file given";
    }
    return std::nullopt;
}
