#pragma once
// Text watermark, drawn with Qt's text engine straight into the frame's own
// memory (a QImage over the bytes, no copy). Works on any thread, but fonts
// need a QGuiApplication object to exist in the process (the offscreen
// platform will do for headless programs).
#include <cstdint>
#include <string>

#include "effects/WaterFont.h"

namespace quorvia {

class BgrPicture;

// Draws text (UTF-8) on one line with its top-left corner at (x, y): the
// font's face, size, colour and styles, transparent background, anti-aliased
// glyph edges, cut at the frame's edges. Nothing is drawn for an empty text.
// Throws TEffectsError when no QGuiApplication exists.
void DrawTextMark(BgrPicture& frame, const std::string& text, const TWaterFont& font, int32_t x, int32_t y);

// Pixels per inch used to turn point sizes into pixels: the value set with
// SetTextPixelsPerInch, else the primary screen's logical resolution, else
// (headless: no GUI application, or the offscreen or minimal platform) 96.
int TextPixelsPerInch();
// 0 forgets a set value. The desktop program may call it on the GUI thread
// at start-up so that worker threads never ask the screen.
void SetTextPixelsPerInch(int pixelsPerInch);

// Font height in pixels for a size in points: points * ppi / 72, rounded
// half away from zero; at least 1.
int FontPixelSize(int points, int pixelsPerInch);

}  // namespace quorvia
