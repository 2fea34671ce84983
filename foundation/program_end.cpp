#include "foundation/program_end.h"

#include <atomic>
#include <mutex>
#include <string>

namespace trevalon {
namespace {

std::mutex gHandlerMutex;
ProgramEndHandler gHandler;
std::atomic<bool> gRequested{false};

}  // namespace

void SetProgramEndHandler(ProgramEndHandler handler) {
    std::lock_guard lock(gHandlerMutex);
    gHandler = std::move(handler);
}

void RequestProgramEnd(std::string_view reason) {
    gRequested.store(true);
    ProgramEndHandler handler;
    {
        std::lock_guard lock(gHandlerMutex);
        handler = gHandler;
    }
    if (handler) {
        handler(reason);
    }
}

bool ProgramEndRequested() {
    return gRequested.load();
}

void ClearProgramEndRequest() {
    gRequested.store(false);
}

}  // namespace trevalon
