#include "jobs/ZoomGeometry.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace quorvia {

namespace {

// The ratios a = sw / dw and b = sh / dh are compared and divided by in
// exact integer arithmetic: a floating-point quotient such as 1000 / 300
// would make an exact 180 come out as 179.999 and truncate to 179.
int Compare(const TZoomGeometry& g)  // sign of a - b
{
    const int64_t lhs = int64_t(g.SourceWidth) * g.DestHeight;
    const int64_t rhs = int64_t(g.SourceHeight) * g.DestWidth;
    return lhs > rhs ? 1 : (lhs < rhs ? -1 : 0);
}

std::string Size(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }
std::string Ratio(int w, int h) { return std::to_string(w) + ":" + std::to_string(h); }

bool Positive(const TZoomGeometry& g)
{
    return g.SourceWidth > 0 && g.SourceHeight > 0 && g.DestWidth > 0 && g.DestHeight > 0;
}

TZoomResult Full(const TZoomGeometry& g, bool withCrop)
{
    TZoomResult r;
    if (withCrop && g.HasCrop()) {
        r.CropTop = g.CropTop;
        r.CropBottom = g.CropBottom;
        r.CropLeft = g.CropLeft;
        r.CropRight = g.CropRight;
    }
    r.FrameSize = Size(g.DestWidth, g.DestHeight);
    r.FrameAspectRatio = Ratio(g.DestWidth, g.DestHeight);
    return r;
}

TZoomResult Letterbox(const TZoomGeometry& g)
{
    const int sw = g.SourceWidth, sh = g.SourceHeight, dw = g.DestWidth, dh = g.DestHeight;
    const int ab = Compare(g);
    int T = 0, B = 0, L = 0, R = 0;
    // Every case that applies sets all four bars anew, in this order.
    if (dw <= sw && dh >= sh) {
        T = B = BarV(g);
        L = R = 0;
    }
    if (dw >= sw && dh <= sh) {
        L = R = BarH(g);
        T = B = 0;
    }
    if (dw >= sw && dh >= sh) {
        if (ab > 0) {
            T = B = BarV(g);
            L = R = 0;
        } else if (ab < 0) {
            L = R = BarH(g);
            T = B = 0;
        } else {
            T = B = BarV(g);
            L = R = BarH(g);
        }
    }
    if (dw <= sw && dh <= sh) {
        if (ab > 0) {
            T = B = BarV(g);
            L = R = 0;
        } else {
            L = R = BarH(g);
            T = B = 0;
        }
    }
    if (dw == sw && dh == sh) T = B = L = R = 0;

    const int iw = dw - L - R, ih = dh - T - B;
    const std::string pad = "pad=" + std::to_string(dw) + ":" + std::to_string(dh) + ":" + std::to_string(L) + ":" +
                            std::to_string(T);
    TZoomResult r;
    r.FrameAspectRatio = Ratio(iw, ih);
    if (g.HasCrop()) {
        // With a crop the whole chain is filters: crop (the installed
        // filter's order is w:h:x:y), scale to the inner size, pad.
        const int cw = sw - g.CropLeft - g.CropRight;
        const int ch = sh - g.CropTop - g.CropBottom;
        r.Filters = "crop=w=" + std::to_string(cw) + ":h=" + std::to_string(ch) + ":x=" + std::to_string(g.CropLeft) +
                    ":y=" + std::to_string(g.CropTop) + ",scale=" + std::to_string(iw) + ":" + std::to_string(ih) +
                    "," + pad;
    } else {
        r.FrameSize = Size(iw, ih);
        r.Filters = pad;
    }
    return r;
}

int Even(int64_t x) { return static_cast<int>((x / 2) * 2); }

TZoomResult PanAndScan(const TZoomGeometry& g)
{
    const int64_t sw = g.SourceWidth, sh = g.SourceHeight;
    // r = (sw - CL - CR) / (sh - CT - CB) against k = 4 / 3, as 3 x width
    // against 4 x height.
    const int64_t cw = sw - g.CropLeft - g.CropRight;
    const int64_t ch = sh - g.CropTop - g.CropBottom;
    TZoomResult r;
    if (ch > 0) {
        const int64_t lhs = 3 * cw, rhs = 4 * ch;
        if (lhs > rhs) {
            // trunc((sw / sh - 4 / 3) x sw) = trunc((3 sw - 4 sh) x sw / (3 sh))
            const int64_t t = (3 * sw - 4 * sh) * sw / (3 * sh);
            const int m = Even(std::llabs(t / 2) + g.CropLeft);
            r.CropLeft = r.CropRight = m;
        } else if (lhs < rhs) {
            const int64_t t = (3 * sh - 4 * sw) * sh / (3 * sw);
            const int m = Even(std::llabs(t / 2) + g.CropTop);
            r.CropTop = r.CropBottom = m;
        }
    }
    r.FrameSize = Size(g.DestWidth, g.DestHeight);
    r.FrameAspectRatio = Ratio(g.DestWidth, g.DestHeight);
    return r;
}

TZoomResult Center(const TZoomGeometry& g)
{
    const int sw = g.SourceWidth, sh = g.SourceHeight, dw = g.DestWidth, dh = g.DestHeight;
    const int ab = Compare(g);
    int T = 0, B = 0, L = 0, R = 0;
    int fw = dw, fh = dh;
    int pad[4] = {0, 0, 0, 0};
    const auto setPad = [&](int w, int h, int x, int y) {
        pad[0] = w;
        pad[1] = h;
        pad[2] = x;
        pad[3] = y;
    };
    // Each case that applies overwrites what it names. The frame height
    // subtracts the right bar (2R), as the mode always has.
    const auto topBottom = [&] {
        T = B = BarV(g);
        fw = dw;
        fh = dh - 2 * R;
        setPad(sw, sh + T + B, 0, T);
    };
    const auto leftRight = [&] {
        L = R = BarH(g);
        fw = dw - 2 * L;
        fh = dh;
        setPad(sw + L + R, sh, L, 0);
    };
    const auto both = [&] {
        T = B = BarV(g);
        L = R = BarH(g);
        fw = dw - 2 * L;
        fh = dh - 2 * R;
        setPad(sw + L + R, sh + T + B, L, T);
    };
    if (dw <= sw && dh >= sh) topBottom();
    if (dw >= sw && dh <= sh) leftRight();
    if (dw >= sw && dh >= sh) {
        if (ab > 0) topBottom();
        else if (ab < 0) leftRight();
        else both();
    }
    if (dw <= sw && dh <= sh) {
        if (ab > 0) {
            T = BarV(g);
            fw = dw;
            fh = dh - 2 * R;
            setPad(dw, dh, 0, T);
        } else if (ab < 0) {
            leftRight();
        } else {
            both();
        }
    }
    if (dw == sw && dh == sh) {
        fw = dw;
        fh = dh;
    }
    (void)B;

    char text[80];
    std::snprintf(text, sizeof text, "pad=%d:%d:%d:%d:black", pad[0], pad[1], pad[2], pad[3]);
    TZoomResult r;
    r.FrameSize = Size(fw, fh);
    r.FrameAspectRatio = Ratio(dw, dh);
    r.Filters = text;
    return r;
}

}  // namespace

int BarV(const TZoomGeometry& g)
{
    // trunc(sh / a) = trunc(sh x dw / sw)
    const int64_t inner = int64_t(g.SourceHeight) * g.DestWidth / g.SourceWidth;
    return static_cast<int>(((g.DestHeight - 2 * (inner / 2)) / 4) * 2);
}

int BarH(const TZoomGeometry& g)
{
    // trunc(sw / b) = trunc(sw x dh / sh)
    const int64_t inner = int64_t(g.SourceWidth) * g.DestHeight / g.SourceHeight;
    return static_cast<int>(((g.DestWidth - 2 * (inner / 2)) / 4) * 2);
}

TZoomResult ZoomFor(const std::string& mode, const TZoomGeometry& g)
{
    if (mode == "full") return Full(g, true);
    if (mode != "lbox" && mode != "pan" && mode != "center") return {};
    if (!Positive(g)) return Full(g, false);
    if (mode == "lbox") return Letterbox(g);
    if (mode == "pan") return PanAndScan(g);
    return Center(g);
}

}  // namespace quorvia
