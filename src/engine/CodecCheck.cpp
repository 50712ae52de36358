#include "engine/CodecCheck.h"

#include <cstdlib>

#include "engine/FileMessages.h"
#include "engine/Logger.h"
#include "engine/TextFormat.h"

namespace quorvia {

namespace {

constexpr struct {
    const char* Legacy;
    const char* Installed;
} kLegacyEncoders[] = {
    {"libfaac", "aac"},
    {"libflac", "flac"},
    {"vorbis", "libvorbis"},
};

const AVCodec* FindByName(const std::string& name, bool encoder)
{
    return encoder ? avcodec_find_encoder_by_name(name.c_str())
                   : avcodec_find_decoder_by_name(name.c_str());
}

bool Experimental(const AVCodec* codec, int strict)
{
    return (codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) && strict > FF_COMPLIANCE_EXPERIMENTAL;
}

// An encoder name from the legacy table is replaced when the installed
// libraries cannot use it as it stands.
const AVCodec* ResolveLegacy(const std::string& name, const AVCodec* found, AVMediaType mediaType,
                             int strict, const void* logSender)
{
    const char* alias = LegacyEncoderAlias(name);
    if (!alias || (found && !Experimental(found, strict))) return found;
    const AVCodec* installed = avcodec_find_encoder_by_name(alias);
    if (!installed || installed->type != mediaType || Experimental(installed, strict)) return found;
    FFLogger().LogFmt(logSender, llWarning, msg::LegacyEncoderSubstituted, name.c_str(), alias);
    return installed;
}

bool Listed(const AVPixelFormat* list, int fmt)
{
    for (; *list != AV_PIX_FMT_NONE; ++list)
        if (*list == fmt) return true;
    return false;
}

bool FullRangeYuv(AVPixelFormat fmt)
{
    return fmt == AV_PIX_FMT_YUVJ420P || fmt == AV_PIX_FMT_YUVJ422P || fmt == AV_PIX_FMT_YUVJ444P ||
           fmt == AV_PIX_FMT_YUVJ440P || fmt == AV_PIX_FMT_YUVJ411P;
}

}  // namespace

const char* LegacyEncoderAlias(const std::string& name)
{
    for (const auto& entry : kLegacyEncoders)
        if (name == entry.Legacy) return entry.Installed;
    return nullptr;
}

bool CheckCodec(const std::optional<std::string>& name, AVMediaType mediaType, bool encoder,
                int strict, TCodecChoice& choice, std::string& lastError, const void* logSender)
{
    choice = TCodecChoice{};
    if (!name || name->empty()) return true;

    const char* kind = encoder ? msg::KindEncoder : msg::KindDecoder;
    const AVCodec* codec = FindByName(*name, encoder);
    if (encoder) codec = ResolveLegacy(*name, codec, mediaType, strict, logSender);
    if (!codec) {
        lastError = StrFormat(msg::UnknownCodec, kind, name->c_str());
        return false;
    }
    if (codec->type != mediaType) {
        lastError = StrFormat(msg::InvalidCodecType, kind, name->c_str());
        return false;
    }
    if (Experimental(codec, strict)) {
        lastError = StrFormat(msg::ExperimentalCodec, kind, codec->name);
        const AVCodec* other = encoder ? avcodec_find_encoder(codec->id) : avcodec_find_decoder(codec->id);
        if (other && !(other->capabilities & AV_CODEC_CAP_EXPERIMENTAL))
            lastError += StrFormat(msg::NonExperimentalAlternative, kind, other->name);
        return false;
    }
    choice.Id = codec->id;
    choice.Codec = codec;
    return true;
}

int ChoosePixelFormat(const AVCodec* codec, int pixFmt, int strict)
{
    if (!codec || !codec->pix_fmts) return pixFmt;
    if (codec->id == AV_CODEC_ID_MJPEG) {
        if (strict < 0) {
            if (pixFmt == AV_PIX_FMT_YUV420P || pixFmt == AV_PIX_FMT_YUV422P ||
                Listed(codec->pix_fmts, pixFmt))
                return pixFmt;
            return codec->pix_fmts[0];
        }
        if (FullRangeYuv(static_cast<AVPixelFormat>(pixFmt)) && Listed(codec->pix_fmts, pixFmt))
            return pixFmt;
        for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
            if (FullRangeYuv(*p)) return *p;
        return codec->pix_fmts[0];
    }
    return Listed(codec->pix_fmts, pixFmt) ? pixFmt : codec->pix_fmts[0];
}

int ChooseSampleFormat(const AVCodec* codec, int sampleFmt)
{
    if (!codec || !codec->sample_fmts) return sampleFmt;
    for (const AVSampleFormat* p = codec->sample_fmts; *p != AV_SAMPLE_FMT_NONE; ++p)
        if (*p == sampleFmt) return sampleFmt;
    return codec->sample_fmts[0];
}

int ChooseSampleRate(const AVCodec* codec, int rate, const void* logSender)
{
    if (!codec || !codec->supported_samplerates || !codec->supported_samplerates[0]) return rate;
    int best = codec->supported_samplerates[0];
    for (const int* p = codec->supported_samplerates; *p; ++p)
        if (std::abs(*p - rate) < std::abs(best - rate)) best = *p;
    if (best != rate) FFLogger().LogFmt(logSender, llWarning, msg::UnsupportedSampleRate, best);
    return best;
}

}  // namespace quorvia
