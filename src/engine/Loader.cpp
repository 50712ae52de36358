// Library binding for build-time linked FFmpeg libraries: a kind counts as
// loaded once its run-time major version matches the headers we were built
// with. avdevice is not linked (the program never asks for it); it is opened
// at run time when requested, and kept resident because avformat refers to
// the devices it registers.
#include "engine/Loader.h"

#include <array>
#include <dlfcn.h>
#include <map>
#include <stdexcept>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswscale/swscale.h>
}
#if __has_include(<libavdevice/version.h>)
extern "C" {
#include <libavdevice/version.h>
}
#define QUORVIA_AVDEVICE_MAJOR LIBAVDEVICE_VERSION_MAJOR
#else
// No avdevice headers installed: its major has moved in step with avcodec's
// in every release series since 4.0.
#define QUORVIA_AVDEVICE_MAJOR LIBAVCODEC_VERSION_MAJOR
#endif

#include "engine/BindingMessages.h"
#include "engine/Logger.h"
#include "engine/TextFormat.h"

namespace quorvia {

namespace {

constexpr size_t kKindCount = static_cast<size_t>(lkSDL) + 1;

using VersionFunction = unsigned (*)();

// The linked kinds: base name, build-time major, run-time version entry.
struct LinkedKind {
    const char* base;
    int buildMajor;
    VersionFunction version;
};

const LinkedKind* Linked(TLibraryKind kind)
{
    static const LinkedKind avcodec{"avcodec", LIBAVCODEC_VERSION_MAJOR, &avcodec_version};
    static const LinkedKind avfilter{"avfilter", LIBAVFILTER_VERSION_MAJOR, &avfilter_version};
    static const LinkedKind avformat{"avformat", LIBAVFORMAT_VERSION_MAJOR, &avformat_version};
    static const LinkedKind avutil{"avutil", LIBAVUTIL_VERSION_MAJOR, &avutil_version};
    static const LinkedKind swscale{"swscale", LIBSWSCALE_VERSION_MAJOR, &swscale_version};
    switch (kind) {
    case lkAVCodec: return &avcodec;
    case lkAVFilter: return &avfilter;
    case lkAVFormat: return &avformat;
    case lkAVUtil: return &avutil;
    case lkSwScale: return &swscale;
    default: return nullptr;
    }
}

std::string SharedObjectName(const char* base, int major)
{
    return StrFormat("lib%s.so.%d", base, major);
}

// Full path of the shared object that holds the symbol, else the fallback.
std::string FileOf(const void* symbol, const std::string& fallback)
{
    Dl_info info{};
    if (symbol && ::dladdr(symbol, &info) && info.dli_fname && *info.dli_fname)
        return info.dli_fname;
    return fallback;
}

std::string DlError()
{
    const char* text = ::dlerror();
    return text ? text : "unknown error";
}

}  // namespace

struct TFFmpegLoader::Impl {
    mutable std::mutex lock;
    std::string folder;
    std::string lastError;
    std::array<bool, kKindCount> loaded{};
    std::map<TLibraryKind, int> majorOverride;
    bool installLogCallback = true;
    bool logCallbackDone = false;
    std::function<void()> afterFormatLoaded;
    bool afterFormatDone = false;
    void* avdevice = nullptr;  // dlopen handle, never closed

    int RuntimeMajor(TLibraryKind kind, unsigned version) const
    {
        const auto it = majorOverride.find(kind);
        return it != majorOverride.end() ? it->second : static_cast<int>(version >> 16);
    }

    bool CheckMajor(TLibraryKind kind, const std::string& file, unsigned version, int buildMajor)
    {
        const int runtime = RuntimeMajor(kind, version);
        if (runtime == buildMajor) return true;
        lastError = StrFormat(msg::LoadLibraryError, file.c_str(),
                              StrFormat(msg::MajorVersionMismatch, runtime, buildMajor).c_str());
        return false;
    }

    bool LoadAVDevice()
    {
        const std::string name = SharedObjectName("avdevice", QUORVIA_AVDEVICE_MAJOR);
        const bool firstOpen = avdevice == nullptr;
        if (firstOpen) {
            avdevice = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
            if (!avdevice) {
                lastError = StrFormat(msg::LoadLibraryError, name.c_str(), DlError().c_str());
                return false;
            }
        }
        void* version = ::dlsym(avdevice, "avdevice_version");
        const std::string file = FileOf(version, name);
        if (!version) {
            lastError = StrFormat(msg::LoadFunctionError, "avdevice_version", file.c_str(),
                                  DlError().c_str());
            return false;
        }
        void* registerAll = ::dlsym(avdevice, "avdevice_register_all");
        if (!registerAll) {
            lastError = StrFormat(msg::LoadFunctionError, "avdevice_register_all", file.c_str(),
                                  DlError().c_str());
            return false;
        }
        if (!CheckMajor(lkAVDevice, file, reinterpret_cast<VersionFunction>(version)(),
                        QUORVIA_AVDEVICE_MAJOR))
            return false;
        if (firstOpen) reinterpret_cast<void (*)()>(registerAll)();
        return true;
    }

    bool LoadKind(TLibraryKind kind, std::vector<std::function<void()>>& actions)
    {
        const auto index = static_cast<size_t>(kind);
        if (loaded[index]) return true;
        if (kind == lkAVDevice) {
            if (!LoadAVDevice()) return false;
        } else if (const LinkedKind* linked = Linked(kind)) {
            const std::string file = FileOf(reinterpret_cast<const void*>(linked->version),
                                            SharedObjectName(linked->base, linked->buildMajor));
            if (!CheckMajor(kind, file, linked->version(), linked->buildMajor)) return false;
        }
        // lkMSVCRT (the C library) and lkSDL (linked by the player) are always present.
        loaded[index] = true;

        if (kind == lkAVUtil && installLogCallback && !logCallbackDone) {
            logCallbackDone = true;
            actions.emplace_back([] { FFLogger().InstallLibraryCallback(); });
        }
        if (kind == lkAVFormat && afterFormatLoaded && !afterFormatDone) {
            afterFormatDone = true;
            actions.push_back(afterFormatLoaded);
        }
        return true;
    }
};

const TLibrarySet& EngineLibraries()
{
    static const TLibrarySet set{lkAVCodec, lkAVFilter, lkAVFormat, lkAVUtil, lkSwScale, lkMSVCRT};
    return set;
}

const TLibrarySet& PlayerLibraries()
{
    static const TLibrarySet set{lkAVCodec, lkAVFilter, lkAVFormat, lkAVUtil, lkSwScale, lkMSVCRT, lkSDL};
    return set;
}

TFFmpegLoader::TFFmpegLoader() : d(new Impl) {}

TFFmpegLoader& FFLoader()
{
    // Lives to the end of the process, like the libraries it binds.
    static TFFmpegLoader* const instance = new TFFmpegLoader();
    return *instance;
}

bool TFFmpegLoader::Load(const TLibrarySet& set)
{
    if (set.empty()) throw std::logic_error(msg::EmptyLibrarySet);
    std::vector<std::function<void()>> actions;
    bool ok = true;
    {
        std::lock_guard lock(d->lock);
        d->lastError.clear();
        for (TLibraryKind kind : set) {  // std::set iterates in kind order
            if (!d->LoadKind(kind, actions)) {
                ok = false;
                break;
            }
        }
        if (!ok)
            for (TLibraryKind kind : set) d->loaded[static_cast<size_t>(kind)] = false;
    }
    // Outside the lock: the actions may use the loader themselves.
    for (const auto& action : actions) action();
    return ok;
}

bool TFFmpegLoader::Loaded(const TLibrarySet& set) const
{
    std::lock_guard lock(d->lock);
    for (TLibraryKind kind : set)
        if (!d->loaded[static_cast<size_t>(kind)]) return false;
    return !set.empty();
}

bool TFFmpegLoader::LibraryLoaded(TLibraryKind kind) const
{
    std::lock_guard lock(d->lock);
    return d->loaded[static_cast<size_t>(kind)];
}

void TFFmpegLoader::Unload(const TLibrarySet& set)
{
    std::lock_guard lock(d->lock);
    for (TLibraryKind kind : set) d->loaded[static_cast<size_t>(kind)] = false;
}

std::string TFFmpegLoader::LastError() const
{
    std::lock_guard lock(d->lock);
    return d->lastError;
}

std::string TFFmpegLoader::LibraryFolder() const
{
    std::lock_guard lock(d->lock);
    return d->folder;
}

void TFFmpegLoader::SetLibraryFolder(const std::string& folder)
{
    // Kept for callers; the linked libraries are not looked up in it.
    std::lock_guard lock(d->lock);
    d->folder = folder;
}

void TFFmpegLoader::SetAfterFormatLoaded(std::function<void()> action)
{
    std::function<void()> runNow;
    {
        std::lock_guard lock(d->lock);
        d->afterFormatLoaded = std::move(action);
        d->afterFormatDone = false;
        if (d->afterFormatLoaded && d->loaded[lkAVFormat]) {
            d->afterFormatDone = true;
            runNow = d->afterFormatLoaded;
        }
    }
    if (runNow) runNow();
}

bool TFFmpegLoader::InstallLogCallback() const
{
    std::lock_guard lock(d->lock);
    return d->installLogCallback;
}

void TFFmpegLoader::SetInstallLogCallback(bool value)
{
    std::lock_guard lock(d->lock);
    d->installLogCallback = value;
}

void TFFmpegLoader::SetRuntimeMajorOverride(TLibraryKind kind, int major)
{
    std::lock_guard lock(d->lock);
    if (major < 0)
        d->majorOverride.erase(kind);
    else
        d->majorOverride[kind] = major;
}

std::mutex& CodecLock()
{
    static std::mutex lock;
    return lock;
}

}  // namespace quorvia
