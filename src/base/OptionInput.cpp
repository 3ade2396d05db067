#include "base/OptionInput.h"

#include <cmath>

#include "base/Val.h"

std::variant<OptionNumbers, OptionRefusal> readOptionNumbers(std::string_view size,
                                                             std::string_view maxFiles,
                                                             std::optional<std::string_view> port) {
    using Field = OptionRefusal::Field;
    const double bufSize = std::nearbyint(Val(size));
    if (bufSize < 1) {
        return OptionRefusal{Field::Size, kBufSizeInvalid};
    }
    if (bufSize > kMaxBufSize) {
        return OptionRefusal{Field::Size, kBufSizeTooLarge};
    }
    OptionNumbers n;
    n.bufSize = static_cast<int32_t>(bufSize);
    const auto files = roundHalfEven<int16_t>(Val(maxFiles));
    if (!files) {
        return OptionRefusal{Field::MaxFiles, kMaxFilesOutOfRange};
    }
    n.maxFiles = *files;
    if (port) {
        n.portNo = roundHalfEven<int16_t>(Val(*port));
        if (!n.portNo) {
            return OptionRefusal{Field::Port, kPortOutOfRange};
        }
    }
    return n;
}
