/* A "vhook" library for the tests. Configure takes one optional word:
 * "invert" inverts the first plane of every frame, "fail" refuses the
 * configuration. The library counts its loads and calls, readable through
 * TestVHookCounts. Built with TEST_VHOOK_BARE it exports only Process. */
#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include "engine/VideoHookApi.h"

static int g_loads, g_configures, g_processes, g_releases;
static int g_lastFormat = -1, g_lastWidth, g_lastHeight;
static int64_t g_lastPts = -1;

__attribute__((constructor)) static void OnLoad(void) { ++g_loads; }

typedef struct HookContext {
    int invert;
} HookContext;

#ifndef TEST_VHOOK_BARE
int Configure(void** context, int argc, char* argv[])
{
    ++g_configures;
    if (argc > 1 && strcmp(argv[1], "fail") == 0) return -1;
    HookContext* ctx = calloc(1, sizeof *ctx);
    if (!ctx) return -1;
    ctx->invert = argc > 1 && strcmp(argv[1], "invert") == 0;
    *context = ctx;
    return 0;
}

void Release(void* context)
{
    ++g_releases;
    free(context);
}
#endif

void Process(void* context, TVideoHookPicture* picture, int pixFmt, int width, int height, int64_t pts)
{
    ++g_processes;
    g_lastFormat = pixFmt;
    g_lastWidth = width;
    g_lastHeight = height;
    g_lastPts = pts;
    const HookContext* ctx = context;
    if (!ctx || !ctx->invert) return;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture->data[0] + (ptrdiff_t)y * picture->linesize[0];
        for (int x = 0; x < width; ++x) row[x] = (uint8_t)(255 - row[x]);
    }
}

/* counts: loads, configures, processes, releases, last format, width, height; *pts: last pts */
void TestVHookCounts(int counts[7], int64_t* pts)
{
    counts[0] = g_loads;
    counts[1] = g_configures;
    counts[2] = g_processes;
    counts[3] = g_releases;
    counts[4] = g_lastFormat;
    counts[5] = g_lastWidth;
    counts[6] = g_lastHeight;
    *pts = g_lastPts;
}
