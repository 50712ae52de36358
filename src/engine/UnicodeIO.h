#pragma once
// Our own file I/O for names given as "unicode:utf8:" + path. The libraries
// no longer take added protocols, so callers that find IsUnicodeName(name)
// open the file here and hand Context() to the format context:
//
//   auto io = OpenUnicodeIO(name, AVIO_FLAG_READ, &error);
//   fmt->pb = io->Context();
//   fmt->flags |= AVFMT_FLAG_CUSTOM_IO;
//   avformat_open_input(&fmt, name.c_str(), ...);
//
// The format context must be closed before the TUnicodeIO is destroyed
// (with AVFMT_FLAG_CUSTOM_IO the libraries do not free pb themselves).
// One open file per object; used by one thread at a time, like its context.
#include <memory>
#include <string>

extern "C" {
#include <libavformat/avio.h>
}

namespace quorvia {

class TUnicodeIO {
public:
    ~TUnicodeIO();
    TUnicodeIO(const TUnicodeIO&) = delete;
    TUnicodeIO& operator=(const TUnicodeIO&) = delete;

    AVIOContext* Context() const { return context_; }
    // The file's path (the name without the prefix).
    const std::string& Path() const { return path_; }

    // Flushes pending output, frees the context and closes the file.
    // Returns 0 or the first write/close failure as a negative AVERROR.
    int Close();

private:
    friend std::unique_ptr<TUnicodeIO> OpenUnicodeIO(const std::string&, int, int*);
    TUnicodeIO(int fd, std::string path);

    int fd_ = -1;
    std::string path_;
    AVIOContext* context_ = nullptr;
};

// Opens the file named by name ("unicode:utf8:" prefix optional) with
// AVIO_FLAG_READ (existing file), AVIO_FLAG_WRITE or AVIO_FLAG_READ_WRITE
// (each creating the file or replacing an existing one). On failure returns
// null and stores a negative AVERROR in *error (AVERROR(ENOENT), "No such
// file or directory", for a missing file).
std::unique_ptr<TUnicodeIO> OpenUnicodeIO(const std::string& name, int flags, int* error = nullptr);

}  // namespace quorvia
