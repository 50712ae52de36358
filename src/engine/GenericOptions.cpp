#include "engine/GenericOptions.h"

#include <algorithm>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "engine/OptionMessages.h"
#include "engine/OptionValues.h"

namespace quorvia {

namespace {

constexpr struct {
    TGenericTemplate Template;
    int MediaFlag;
} kCodecTemplates[] = {
    {gtVideo, AV_OPT_FLAG_VIDEO_PARAM}, {gtAudio, AV_OPT_FLAG_AUDIO_PARAM}, {gtData, 0},
    {gtSubtitle, AV_OPT_FLAG_SUBTITLE_PARAM}, {gtAttachment, 0},
};

// Child classes (private options of encoders, decoders, muxers, demuxers,
// I/O) are at most this deep below a context class.
constexpr int kMaxChildDepth = 3;

bool OwnOption(const AVClass* cls, const char* name, int flags)
{
    return av_opt_find(&cls, name, nullptr, flags, AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
}

// Every child class below cls that has the option itself.
void CollectOwners(const AVClass* cls, const char* name, int flags, int depth,
                   std::vector<const AVClass*>& owners)
{
    if (depth > kMaxChildDepth) return;
    void* iter = nullptr;
    while (const AVClass* child = av_opt_child_class_iterate(cls, &iter)) {
        if (OwnOption(child, name, flags)) owners.push_back(child);
        CollectOwners(child, name, flags, depth + 1, owners);
    }
}

struct AvFreeDeleter {
    void operator()(void* p) const
    {
        av_opt_free(p);
        av_free(p);
    }
};

// A bare template cannot hold a private option, so the value is tried on a
// zeroed stand-in object of the owning class: the class pointer first, then
// room for every option of the class at its offset.
bool ValueFitsClass(const AVClass* cls, const char* name, const char* value)
{
    size_t size = sizeof(const AVClass*);
    for (const AVOption* o = cls->option; o && o->name; ++o) {
        if (o->type == AV_OPT_TYPE_CONST) continue;
        // An option stored over the class pointer cannot be tried this way.
        if (o->offset < static_cast<int>(sizeof(const AVClass*))) return true;
        size = std::max(size, static_cast<size_t>(o->offset) + 64);
    }
    std::unique_ptr<void, AvFreeDeleter> object(av_mallocz(size));
    if (!object) return false;
    *static_cast<const AVClass**>(object.get()) = cls;
    av_opt_set_defaults(object.get());
    return av_opt_set(object.get(), name, value, 0) >= 0;
}

// One template: its own option first (set on the template object, which keeps
// it), else the private options of its child classes (accepted when one of
// the owning classes takes the value).
TGenericResult TryTemplate(void* object, const AVClass* cls, const std::string& name,
                           const std::string& value, int flags)
{
    if (OwnOption(cls, name.c_str(), flags))
        return av_opt_set(object, name.c_str(), value.c_str(), 0) >= 0 ? TGenericResult::Accepted
                                                                       : TGenericResult::Rejected;
    std::vector<const AVClass*> owners;
    CollectOwners(cls, name.c_str(), flags, 1, owners);
    if (owners.empty()) return TGenericResult::NotFound;
    for (const AVClass* owner : owners)
        if (ValueFitsClass(owner, name.c_str(), value.c_str())) return TGenericResult::Accepted;
    return TGenericResult::Rejected;
}

}  // namespace

const AVClass* GenericTemplateClass(TGenericTemplate which)
{
    switch (which) {
    case gtFormat: return avformat_get_class();
    case gtScaler: return sws_get_class();
    case gtResampler: return swr_get_class();
    case gtCount: return nullptr;
    default: return avcodec_get_class();
    }
}

bool GenericOptionExists(const AVClass* cls, const std::string& name, int flags)
{
    return cls && av_opt_find(&cls, name.c_str(), nullptr, flags,
                              AV_OPT_SEARCH_FAKE_OBJ | AV_OPT_SEARCH_CHILDREN) != nullptr;
}

TGenericResult StoreGenericOption(TGenericTemplates& templates, const std::string& rawName,
                                  const std::string& rawValue)
{
    const std::string name = TrimText(rawName);
    const std::string value = TrimText(rawValue);
    if (name.empty() || value.empty() || !templates.Created()) return TGenericResult::NotFound;

    auto accept = [&](TGenericTemplate which, const std::string& optionName) {
        templates.Accepted[which].push_back({optionName, value});
    };

    TGenericResult result = TGenericResult::NotFound;
    for (const auto& entry : kCodecTemplates) {
        const TGenericResult r = TryTemplate(templates.Object(entry.Template), avcodec_get_class(), name,
                                             value, entry.MediaFlag);
        if (r == TGenericResult::NotFound) continue;
        result = r;
        if (r == TGenericResult::Rejected) break;
        accept(entry.Template, name);
    }

    for (TGenericTemplate which : {gtFormat, gtScaler, gtResampler}) {
        if (result != TGenericResult::NotFound) break;
        result = TryTemplate(templates.Object(which), GenericTemplateClass(which), name, value, 0);
        if (result == TGenericResult::Accepted) accept(which, name);
    }

    if (result == TGenericResult::NotFound && name.size() > 1) {
        const char kind = name[0];
        const TGenericTemplate which = kind == 'a' ? gtAudio : kind == 'v' ? gtVideo : gtSubtitle;
        if (kind == 'a' || kind == 'v' || kind == 's') {
            const std::string stripped = name.substr(1);
            result = TryTemplate(templates.Object(which), avcodec_get_class(), stripped, value, 0);
            if (result == TGenericResult::Accepted) accept(which, stripped);
        }
    }

    if (result == TGenericResult::Rejected)
        av_log(nullptr, AV_LOG_ERROR, msg::InvalidGenericValue, value.c_str(), name.c_str());
    return result;
}

int ApplyGenericOptions(const TGenericTemplates& templates, void* target, TGenericTemplate from,
                        int flags)
{
    if (!target || from < 0 || from >= gtCount) return 0;
    const AVClass* cls = GenericTemplateClass(from);
    int count = 0;
    for (const TGenericOptionValue& option : templates.Accepted[from]) {
        if (!GenericOptionExists(cls, option.Name, flags)) continue;
        if (av_opt_set(target, option.Name.c_str(), option.Value.c_str(), AV_OPT_SEARCH_CHILDREN) >= 0)
            ++count;
    }
    return count;
}

AVDictionary* GenericOptionDictionary(const TGenericTemplates& templates, TGenericTemplate from,
                                      int flags)
{
    if (from < 0 || from >= gtCount) return nullptr;
    const AVClass* cls = GenericTemplateClass(from);
    AVDictionary* dict = nullptr;
    for (const TGenericOptionValue& option : templates.Accepted[from])
        if (GenericOptionExists(cls, option.Name, flags))
            av_dict_set(&dict, option.Name.c_str(), option.Value.c_str(), 0);
    return dict;
}

}  // namespace quorvia
