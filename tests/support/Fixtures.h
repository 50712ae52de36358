#pragma once
// Small media files made on demand with the ffmpeg tool and cached in the
// build tree (QUORVIA_FIXTURES, default <build>/fixtures). Safe to call from
// several test processes at once: each file is made under a lock and appears
// by rename, complete or not at all.
#include <QJsonObject>
#include <string>

namespace quorvia::test {

enum class Fixture {
    Mp4,         // 2 s 320x240 25 fps MPEG-4 + AAC stereo 44.1 kHz
    Mp3,         // 2 s audio only, MP3 stereo 44.1 kHz
    Wav,         // 2 s audio only, PCM s16 stereo 44.1 kHz
    MkvMulti,    // MPEG-4 video, two audio streams (AAC, MP3), one SubRip subtitle stream
    Avi,         // MPEG-4 + MP3 in AVI
    SixChannel,  // MPEG-4 + AAC 5.1, 48 kHz, MP4
    ZeroByte,    // empty file named .mp4
    Truncated,   // the Mp4 fixture cut at 60 %
    TextAsMp4,   // a text file named .mp4
};

// Path of the fixture, making it first when needed. Fails the test (throws)
// when the ffmpeg tool cannot make it.
std::string FixturePath(Fixture f);

// Runs a shell command; returns its exit status, output in *out when given.
int RunCommand(const std::string& command, std::string* out = nullptr);

// ffprobe -show_format -show_streams of a file as JSON; empty object when unreadable.
QJsonObject Probe(const std::string& file);

// Shell-quotes one argument.
std::string ShellQuote(const std::string& s);

}  // namespace quorvia::test
