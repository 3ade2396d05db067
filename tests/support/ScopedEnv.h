#pragma once
#include <cstdlib>
#include <optional>
#include <string>

#ifdef _WIN32
#include "files/ProgramFolder.h"
#endif

// Sets an environment variable for the life of one test, then puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        set(name, value.c_str());
    }
    ~ScopedEnv() {
        if (old_) {
            set(name_, old_->c_str());
        } else {
            unset(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
#ifdef _WIN32
    // Windows' environment is UTF-16, and an empty value removes a variable.
    static void set(const char* name, const char* value) {
        _wputenv_s(nativePath(name).c_str(), nativePath(value).c_str());
    }
    static void unset(const char* name) {
        _wputenv_s(nativePath(name).c_str(), L"");
    }
#else
    static void set(const char* name, const char* value) {
        setenv(name, value, 1);
    }
    static void unset(const char* name) {
        unsetenv(name);
    }
#endif

    const char* name_;
    std::optional<std::string> old_;
};
