#pragma once
// Library binding. The FFmpeg libraries are linked at build time; loading a
// set checks that the run-time libraries have the major versions the program
// was built with and performs the after-load actions once (logger callback,
// name protocol hook). Also owns the process-wide codec lock.
#include <functional>
#include <mutex>
#include <set>
#include <string>

namespace quorvia {

// Library kinds, in load order.
enum TLibraryKind { lkAVCodec, lkAVDevice, lkAVFilter, lkAVFormat, lkAVUtil, lkSwScale, lkMSVCRT, lkSDL };
using TLibrarySet = std::set<TLibraryKind>;

// The engine component's set and the player's set.
const TLibrarySet& EngineLibraries();
const TLibrarySet& PlayerLibraries();

class TFFmpegLoader {
public:
    TFFmpegLoader(const TFFmpegLoader&) = delete;
    TFFmpegLoader& operator=(const TFFmpegLoader&) = delete;

    // Loads every kind of the set in kind order; false with LastError on failure
    // (the whole set is unloaded again). An empty set throws std::logic_error.
    bool Load(const TLibrarySet& set);
    bool Loaded(const TLibrarySet& set) const;
    bool LibraryLoaded(TLibraryKind kind) const;
    void Unload(const TLibrarySet& set);

    std::string LastError() const;
    std::string LibraryFolder() const;
    void SetLibraryFolder(const std::string& folder);

    // Hook run once after avformat is bound (the name protocol registers here);
    // runs at once when avformat is already loaded. Each hook set runs once.
    void SetAfterFormatLoaded(std::function<void()> action);

    // Whether loading avutil installs the logger's library callback (default true).
    bool InstallLogCallback() const;
    void SetInstallLogCallback(bool value);

    // For tests: pretend the run-time major version of a kind differs
    // (a negative major removes the pretence).
    void SetRuntimeMajorOverride(TLibraryKind kind, int major);

private:
    friend TFFmpegLoader& FFLoader();
    TFFmpegLoader();
    struct Impl;
    Impl* d;
};

TFFmpegLoader& FFLoader();

// Process-wide lock held around every codec open/close and every
// stream-parameter search of the engine, the prober and the player.
std::mutex& CodecLock();

}  // namespace quorvia
