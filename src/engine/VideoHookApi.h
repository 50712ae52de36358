/* The entry points a "vhook" library exports (plain C, so hooks can be written
 * in C). The engine loads the library once per process with dlopen and looks
 * up three names:
 *
 *   int  Configure(void** context, int argc, char* argv[]);
 *       optional unless arguments were given; argv[0] is the library name,
 *       argv[1..argc-1] the words after it. Stores its state in *context;
 *       a non-zero result refuses the hook.
 *   void Process(void* context, TVideoHookPicture* picture, int pixFmt,
 *                int width, int height, int64_t pts);
 *       required; called once per decoded frame with the frame's planes
 *       (writable in place), its pixel format (the libraries' AVPixelFormat
 *       value), size, and time stamp in microseconds.
 *   void Release(void* context);
 *       optional; called once when the task releases its hooks.
 */
#ifndef QUORVIA_ENGINE_VIDEO_HOOK_API_H
#define QUORVIA_ENGINE_VIDEO_HOOK_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TVideoHookPicture {
    uint8_t* data[4];
    int linesize[4];
} TVideoHookPicture;

typedef int (*TVideoHookConfigure)(void** context, int argc, char* argv[]);
typedef void (*TVideoHookProcess)(void* context, TVideoHookPicture* picture, int pixFmt, int width, int height,
                                  int64_t pts);
typedef void (*TVideoHookRelease)(void* context);

#ifdef __cplusplus
}
#endif

#endif
