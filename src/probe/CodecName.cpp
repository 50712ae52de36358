#include "probe/CodecName.h"

#include <cctype>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "engine/TextFormat.h"
#include "probe/ProbeMessages.h"

namespace quorvia {

namespace {

bool Blank(const char* text)
{
    if (!text) return true;
    for (; *text; ++text)
        if (!std::isspace(static_cast<unsigned char>(*text))) return false;
    return true;
}

std::string Trimmed(const char* text)
{
    std::string s = text ? text : "";
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

}  // namespace

std::string StreamCodecName(const AVCodecParameters* par)
{
    if (const AVCodec* decoder = avcodec_find_decoder(par->codec_id)) {
        if (Blank(decoder->long_name)) return decoder->name;
        return StrFormat(msg::probe::CodecWithLongName, decoder->name, decoder->long_name);
    }
    if (par->codec_id == AV_CODEC_ID_MPEG2TS) return msg::probe::CodecMpeg2Ts;
    // The codec context no longer carries a name of its own; the codec id's
    // descriptor name is the nearest public one.
    if (par->codec_id != AV_CODEC_ID_NONE)
        if (const AVCodecDescriptor* desc = avcodec_descriptor_get(par->codec_id)) {
            const std::string name = Trimmed(desc->name);
            if (!name.empty()) return name;
        }
    const unsigned tag = par->codec_tag;
    const int c[4] = {static_cast<int>(tag & 0xFF), static_cast<int>(tag >> 8 & 0xFF),
                      static_cast<int>(tag >> 16 & 0xFF), static_cast<int>(tag >> 24 & 0xFF)};
    if (std::isprint(c[0]) && std::isprint(c[1]) && std::isprint(c[2]) && std::isprint(c[3]))
        return StrFormat(msg::probe::CodecTagPrintable, c[0], c[1], c[2], c[3], tag);
    return StrFormat(msg::probe::CodecTagNumber, tag);
}

}  // namespace quorvia
