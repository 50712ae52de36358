#pragma once
// Media files the prober tests need beyond the shared fixtures: other
// containers and codecs, programs, a container-set aspect, 29.97 fps.
// Made with the ffmpeg tool once and cached beside the shared fixtures.
#include <string>

namespace quorvia::test {

enum class ProbeFixture {
    MpegTs,       // MPEG-2 video + MP2 in MPEG-TS (one program, stream ids; audio tagged only "fre")
    Flv,          // FLV1 video + MP3
    Ogg,          // Theora + Vorbis
    WebM,         // VP8 + Opus
    Anamorphic,   // the MP4 clip's video copied into Matroska with a 16:9 display shape
    Ntsc,         // H.264 at 30000/1001 fps in MP4
    Flac,         // FLAC audio only, tagged (title, artist, album, date, track, creation time)
    M4a,          // AAC audio only in MP4
};

std::string ProbeFixturePath(ProbeFixture f);

}  // namespace quorvia::test
