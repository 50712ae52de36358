#include "engine/FileErrors.h"

#include <cerrno>

extern "C" {
#include <libavutil/error.h>
}

#include "engine/FileMessages.h"
#include "engine/TextFormat.h"

namespace quorvia {

namespace {

// The texts were written for the older codes; the installed libraries give
// invalid data, end of file, unknown format and unknown protocol codes of
// their own besides the errno values they once shared.
std::string ReasonFor(int code)
{
    switch (code) {
    case AVERROR(ENOENT): return msg::ErrNoSuchFile;
    case AVERROR(EIO): return msg::ErrIO;
    case AVERROR(ENOMEM): return msg::ErrNoMemory;
    case AVERROR(EINVAL):
    case AVERROR_INVALIDDATA: return msg::ErrInvalidData;
    case AVERROR(EPIPE):
    case AVERROR_EOF: return msg::ErrEndOfFile;
    case AVERROR(EDOM): return msg::ErrNumberExpected;
    case AVERROR(EILSEQ):
    case AVERROR_DEMUXER_NOT_FOUND:
    case AVERROR_MUXER_NOT_FOUND: return msg::ErrUnknownFormat;
    case AVERROR(EPROTONOSUPPORT):
    case AVERROR_PROTOCOL_NOT_FOUND: return msg::ErrUnsupportedProtocol;
    case AVERROR_PATCHWELCOME: return msg::ErrNotImplemented;
    default: return StrFormat(msg::ErrNumber, code);
    }
}

}  // namespace

std::string LibraryErrorText(const std::string& fileName, int errorCode)
{
    return StrFormat(msg::LibraryErrorFormat, fileName.c_str(), ReasonFor(errorCode).c_str());
}

}  // namespace quorvia
