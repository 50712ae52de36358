#include "engine/UnicodeIO.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include "engine/NameConversion.h"

namespace quorvia {

namespace {

constexpr int kBufferSize = 32768;

// The write callback lost its non-const buffer in libavformat 61.
#if defined(FF_API_AVIO_WRITE_NONCONST) && !FF_API_AVIO_WRITE_NONCONST
using WriteBuffer = const uint8_t*;
#else
using WriteBuffer = uint8_t*;
#endif

int FdOf(void* opaque)
{
    return static_cast<int>(reinterpret_cast<intptr_t>(opaque));
}

int ReadPacket(void* opaque, uint8_t* buffer, int size)
{
    ssize_t count;
    do count = ::read(FdOf(opaque), buffer, static_cast<size_t>(size));
    while (count < 0 && errno == EINTR);
    if (count < 0) return AVERROR(errno);
    if (count == 0) return AVERROR_EOF;
    return static_cast<int>(count);
}

int WritePacket(void* opaque, WriteBuffer buffer, int size)
{
    int written = 0;
    while (written < size) {
        const ssize_t count = ::write(FdOf(opaque), buffer + written, static_cast<size_t>(size - written));
        if (count < 0) {
            if (errno == EINTR) continue;
            return AVERROR(errno);
        }
        written += static_cast<int>(count);
    }
    return written;
}

int64_t Seek(void* opaque, int64_t offset, int whence)
{
    const int fd = FdOf(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) {
        struct stat info {};
        if (::fstat(fd, &info) < 0) return AVERROR(errno);
        if (!S_ISREG(info.st_mode)) return AVERROR(ENOSYS);
        return info.st_size;
    }
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return AVERROR(EINVAL);
    const off_t position = ::lseek(fd, offset, whence);
    return position < 0 ? AVERROR(errno) : position;
}

int OpenMode(int flags)
{
    switch (flags & AVIO_FLAG_READ_WRITE) {
    case AVIO_FLAG_READ_WRITE: return O_RDWR | O_CREAT | O_TRUNC;
    case AVIO_FLAG_WRITE: return O_WRONLY | O_CREAT | O_TRUNC;
    default: return O_RDONLY;
    }
}

}  // namespace

TUnicodeIO::TUnicodeIO(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

TUnicodeIO::~TUnicodeIO()
{
    Close();
}

int TUnicodeIO::Close()
{
    int result = 0;
    if (context_) {
        if (context_->write_flag) {
            avio_flush(context_);
            result = context_->error;
        }
        av_freep(&context_->buffer);  // avio may have replaced the buffer we gave it
        avio_context_free(&context_);
    }
    if (fd_ >= 0) {
        if (::close(fd_) < 0 && result == 0) result = AVERROR(errno);
        fd_ = -1;
    }
    return result;
}

std::unique_ptr<TUnicodeIO> OpenUnicodeIO(const std::string& name, int flags, int* error)
{
    auto fail = [error](int code) {
        if (error) *error = code;
        return std::unique_ptr<TUnicodeIO>();
    };
    const std::string path = FromLibraryName(name);
    int fd;
    do fd = ::open(path.c_str(), OpenMode(flags) | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return fail(AVERROR(errno));

    std::unique_ptr<TUnicodeIO> io(new TUnicodeIO(fd, path));
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    if (!buffer) return fail(AVERROR(ENOMEM));
    const bool writable = (flags & AVIO_FLAG_WRITE) != 0;
    const bool readable = !writable || (flags & AVIO_FLAG_READ) != 0;
    io->context_ = avio_alloc_context(buffer, kBufferSize, writable ? 1 : 0,
                                      reinterpret_cast<void*>(static_cast<intptr_t>(fd)),
                                      readable ? &ReadPacket : nullptr, writable ? &WritePacket : nullptr,
                                      &Seek);
    if (!io->context_) {
        av_free(buffer);
        return fail(AVERROR(ENOMEM));
    }
    if (error) *error = 0;
    return io;
}

}  // namespace quorvia
