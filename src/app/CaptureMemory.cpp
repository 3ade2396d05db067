#include "app/CaptureMemory.h"

#include <algorithm>
#include <new>
#include <string>

#include "base/Prompts.h"
#include "base/Settings.h"
#include "capture/Capture.h"

int32_t bufSizeInRange(int32_t bufSize) {
    return std::clamp(bufSize, kMinBufSize, kMaxBufSize);
}

int32_t allocCapture(Capture& capture, int32_t bufSize, Prompts& prompts) {
    for (const int32_t size : {bufSize, Settings{}.glngBufSize, kMinBufSize}) {
        try {
            capture.AllocBuffer(size);
        } catch (const std::bad_alloc&) {
            continue;
        }
        if (size != bufSize) {
            prompts.message("データバッファ（" + std::to_string(bufSize) +
                                "K バイト）を確保できません\n" + std::to_string(size) +
                                "K バイトで起動します",
                            "Vexlo", Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
        }
        return size;
    }
    throw std::bad_alloc();  // not even the smallest buffer: nothing could run
}
