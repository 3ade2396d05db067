#include "link/ComPort.h"

std::string comPortLocation(int n) {
    if (n < 1) {
        return {};
    }
    return "\\\\.\\COM" + std::to_string(n);
}
