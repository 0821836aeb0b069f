#include "music/file_access.h"

namespace {
struct Callbacks {
    FileOpenFn open = nullptr;
    FileCloseFn close = nullptr;
    FileReadFn read = nullptr;
    FileSeekFn seek = nullptr;
    FileTellFn tell = nullptr;
};
Callbacks callbacks;
}  // namespace

void setFileCallbacks(FileOpenFn open, FileCloseFn close, FileReadFn read, FileSeekFn seek, FileTellFn tell) {
    if (open && close && read && seek && tell)
        callbacks = Callbacks{open, close, read, seek, tell};
    else
        callbacks = Callbacks{};
}

bool fileCallbacksInstalled() { return callbacks.open != nullptr; }

std::unique_ptr<ModuleStream> streamOpen(const char* name) {
    if (!callbacks.open || !name) return nullptr;
    void* handle = callbacks.open(name);
    if (!handle) return nullptr;
    auto stream = std::make_unique<ModuleStream>();
    stream->handle = handle;
    return stream;
}

void streamClose(std::unique_ptr<ModuleStream> stream) {
    if (stream && callbacks.close) callbacks.close(stream->handle);
}

std::int32_t streamRead(ModuleStream* stream, void* destination, std::int32_t bytes) {
    if (!stream || !callbacks.read || !destination || bytes <= 0) return 0;
    return callbacks.read(destination, bytes, stream->handle);
}

void streamSeek(ModuleStream* stream, std::int32_t offset, std::int8_t mode) {
    if (stream && callbacks.seek) callbacks.seek(stream->handle, offset, mode);
}

std::int32_t streamTell(ModuleStream* stream) {
    if (!stream || !callbacks.tell) return 0;
    return callbacks.tell(stream->handle);
}
