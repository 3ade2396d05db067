#pragma once
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Cuts the bytes a client writes into CR-ended commands, however they are split across
// reads or joined in one. LF is dropped, so a client that ends lines with CR LF works too.
// Only the first kMaxCommand characters of a command are kept: far more than any command
// has, so a cut command is still an unknown one.
class CommandSplitter {
  public:
    static constexpr size_t kMaxCommand = 32;

    // Feeds bytes and returns the commands they complete, in order, without their CR.
    std::vector<std::string> feed(const char* data, size_t size);

  private:
    std::string partial_;
};
