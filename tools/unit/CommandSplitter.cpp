#include "CommandSplitter.h"

std::vector<std::string> CommandSplitter::feed(const char* data, size_t size) {
    std::vector<std::string> commands;
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\r') {
            commands.push_back(std::move(partial_));
            partial_.clear();
        } else if (c != '\n' && partial_.size() < kMaxCommand) {
            partial_ += c;
        }
    }
    return commands;
}
