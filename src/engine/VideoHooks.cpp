// The "vhook" registry. Libraries are opened with dlopen by the name as given:
// a name with a folder part is that file, a bare name is searched the way
// the dynamic loader searches (LD_LIBRARY_PATH, the cache, system folders),
// and the library's own dependencies resolve through its RUNPATH ($ORIGIN).
// The working folder and PATH are left alone: changing either from one task
// would change them for every thread of the process, and dlopen reads neither.
#include "engine/VideoHooks.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <new>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include "engine/VideoMessages.h"
#include "engine/VideoOutput.h"

namespace quorvia::transcode {

namespace {

// Library name -> module handle; a library stays loaded for the process's life.
std::mutex& ModuleLock()
{
    static std::mutex lock;
    return lock;
}

std::map<std::string, void*>& Modules()
{
    static std::map<std::string, void*> modules;
    return modules;
}

// The loaded module of a name, loading it first when needed; null on failure
// (the loader's text goes to the library log).
void* LoadModule(const std::string& name)
{
    std::lock_guard<std::mutex> lock(ModuleLock());
    auto& modules = Modules();
    if (auto it = modules.find(name); it != modules.end()) return it->second;
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        av_log(nullptr, AV_LOG_ERROR, "%s\n", why ? why : name.c_str());
        return nullptr;
    }
    modules.emplace(name, handle);
    return handle;
}

template <typename Fn>
Fn Symbol(void* module, const char* name)
{
    return reinterpret_cast<Fn>(dlsym(module, name));
}

}  // namespace

std::vector<std::string> SplitVideoHookArgs(const std::string& text)
{
    const char separator = text.find('|') != std::string::npos ? '|' : ' ';
    std::vector<std::string> words;
    size_t pos = 0;
    while (pos <= text.size() && static_cast<int>(words.size()) < TVideoHookRegistry::kMaxWords) {
        size_t end = text.find(separator, pos);
        if (end == std::string::npos) end = text.size();
        if (end > pos) words.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return words;
}

TVideoHookRegistry::~TVideoHookRegistry() { Clear(); }

bool TVideoHookRegistry::Add(const std::string& args) { return Register(SplitVideoHookArgs(args)) == 0; }

int TVideoHookRegistry::Register(const std::vector<std::string>& words)
{
    if (words.empty()) return -2;
    const std::string& name = words.front();
    void* module = LoadModule(name);
    if (!module) return -1;

    try {
        Node node;
        node.Configure = Symbol<TVideoHookConfigure>(module, "Configure");
        node.Process = Symbol<TVideoHookProcess>(module, "Process");
        node.Release = Symbol<TVideoHookRelease>(module, "Release");
        if (!node.Process) {
            av_log(nullptr, AV_LOG_ERROR, msg::HookNoProcess, name.c_str());
            return -2;
        }
        if (!node.Configure && words.size() > 1) {
            av_log(nullptr, AV_LOG_ERROR, msg::HookNoConfigure, name.c_str());
            return -2;
        }
        if (node.Configure) {
            // Configure may keep argv pointers only for the call; give it
            // writable C strings as a C main() would get them.
            std::vector<std::string> copies(words);
            std::vector<char*> argv;
            argv.reserve(copies.size() + 1);
            for (auto& word : copies) argv.push_back(word.data());
            argv.push_back(nullptr);
            if (node.Configure(&node.Context, static_cast<int>(copies.size()), argv.data()) != 0) {
                av_log(nullptr, AV_LOG_ERROR, msg::HookConfigureFail, name.c_str());
                return AVERROR(EINVAL);
            }
        }
        nodes_.push_back(node);
    } catch (const std::bad_alloc&) {
        return AVERROR(ENOMEM);
    }
    return 0;
}

void TVideoHookRegistry::Process(uint8_t* const data[4], const int linesize[4], int pixFmt, int width, int height,
                                 int64_t pts)
{
    for (Node& node : nodes_) {
        TVideoHookPicture picture{};
        for (int i = 0; i < 4; ++i) {
            picture.data[i] = data[i];
            picture.linesize[i] = linesize[i];
        }
        node.Process(node.Context, &picture, pixFmt, width, height, pts);
    }
}

void TVideoHookRegistry::Clear()
{
    for (Node& node : nodes_) {
        if (node.Release) node.Release(node.Context);
    }
    nodes_.clear();
}

std::unique_ptr<IVideoHookRegistry> MakeVideoHookRegistry() { return std::make_unique<TVideoHookRegistry>(); }

}  // namespace quorvia::transcode
