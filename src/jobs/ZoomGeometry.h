#pragma once
// The four zoom modes: how a source of sw x sh reaches a destination of
// dw x dh. "full" scales (after the job's crop); "lbox" scales inside bars
// and pads to the destination; "pan" crops the sides (or top and bottom)
// toward 4:3; "center" pads around the source. The result names only what
// the mode sets; the option builder copies it into the output record.
#include <optional>
#include <string>

namespace quorvia {

struct TZoomGeometry {
    int SourceWidth = 0;  // sw, sh: the source's first video stream
    int SourceHeight = 0;
    int DestWidth = 0;    // dw, dh: the destination size
    int DestHeight = 0;
    // The job's crop (pixels cut from each side of the source).
    int CropTop = 0;
    int CropLeft = 0;
    int CropBottom = 0;
    int CropRight = 0;

    bool HasCrop() const { return CropTop > 0 || CropBottom > 0 || CropLeft > 0 || CropRight > 0; }
};

struct TZoomResult {
    std::optional<std::string> FrameSize;         // "W" + "x" + "H"
    std::optional<std::string> FrameAspectRatio;  // "W" + ":" + "H"
    std::optional<int> CropTop, CropBottom, CropLeft, CropRight;
    std::string Filters;                          // empty: no filter
};

// An unknown mode sets nothing. A source or destination without a positive
// width and height has no ratio to fit: "lbox", "pan" and "center" then do
// what "full" does without the crop (the engine reports an impossible size).
TZoomResult ZoomFor(const std::string& mode, const TZoomGeometry& g);

// The bar formulas of "lbox" and "center" (sizes must be positive):
// barV = ((dh - 2 x (trunc(sh / a) div 2)) div 4) x 2 with a = sw / dw,
// barH = ((dw - 2 x (trunc(sw / b) div 2)) div 4) x 2 with b = sh / dh.
int BarV(const TZoomGeometry& g);
int BarH(const TZoomGeometry& g);

}  // namespace quorvia
