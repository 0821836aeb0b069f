// The five file functions every byte of a song is read through, installed once for the
// whole program, and the small stream record the loader uses over them.
#pragma once

#include <cstdint>
#include <memory>

using FileOpenFn = void* (*)(const char* name);
using FileCloseFn = void (*)(void* handle);
using FileReadFn = std::int32_t (*)(void* destination, std::int32_t bytes, void* handle);
using FileSeekFn = void (*)(void* handle, std::int32_t offset, std::int8_t mode);  // 0 start, 1 current
using FileTellFn = std::int32_t (*)(void* handle);

// All five non-null: stored.  Any null: all five are cleared.
void setFileCallbacks(FileOpenFn open, FileCloseFn close, FileReadFn read, FileSeekFn seek, FileTellFn tell);
bool fileCallbacksInstalled();

struct ModuleStream {
    void* handle = nullptr;
};

std::unique_ptr<ModuleStream> streamOpen(const char* name);  // null when open fails
void streamClose(std::unique_ptr<ModuleStream> stream);
std::int32_t streamRead(ModuleStream* stream, void* destination, std::int32_t bytes);
void streamSeek(ModuleStream* stream, std::int32_t offset, std::int8_t mode);
std::int32_t streamTell(ModuleStream* stream);
