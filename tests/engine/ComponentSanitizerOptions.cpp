// ThreadSanitizer suppressions for the engine tests (read by the runtime only
// in a -fsanitize=thread build; otherwise an unused function).
//
// The installed FFmpeg libraries are not instrumented, so ThreadSanitizer
// does not see their atomics: the reference counts of AVBuffer and the
// progress flags of frame-threaded decoding. A packet buffer that a decoder
// thread copied and the loop then releases, or a picture a decoder thread
// allocated and the loop then copies, is reported as a race although the
// library orders the two. The accesses the libraries make themselves (their
// memcpy and free) are ignored; every access made by our code stays checked.
extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libavutil.so\n"
           "called_from_lib:libavcodec.so\n"
           "called_from_lib:libavformat.so\n"
           "called_from_lib:libavfilter.so\n"
           "called_from_lib:libswscale.so\n"
           "called_from_lib:libswresample.so\n";
}
