// Sizes on screens of any DPI. Every size the program stores or writes in
// its code (column widths, the splitter, a window's placement, the artwork)
// is in units of a 96-DPI screen; these functions are the one place that
// turns units into a window's pixels and back, picks the artwork that fits
// a DPI, gets the message font at a DPI and centres a window on the monitor
// it is on.
#ifndef SKOVALT_UI_GEOMETRY_H
#define SKOVALT_UI_GEOMETRY_H

#include <windows.h>

// The DPI of a screen at 100 %: one unit is one pixel.
const int kBaseDpi = 96;

// The DPI a window is drawn at: GetDpiForWindow where Windows has it (10,
// version 1607 on), else the screen's LOGPIXELSY, the one DPI of older
// systems. A null window gives the screen's DPI; never less than 1.
int WindowDpi(HWND window);

// Units to pixels at dpi and back, rounded to the nearest (halves away from
// zero). At 96 DPI both give the value unchanged; at 96 DPI and above,
// UnscaleFromDpi(ScaleToDpi(u, dpi), dpi) gives u back exactly, so a size
// stored, shown and stored again does not creep. A dpi below 1 counts as 96.
int ScaleToDpi(int units, int dpi);
int UnscaleFromDpi(int pixels, int dpi);

// The artwork drawn for a DPI: 100, 150 or 200 (percent), the one nearest
// to dpi; halfway between two (120 and 168 DPI) takes the larger, as a
// picture a little large reads better than one a little small.
int ArtworkScale(int dpi);
// The resource of a bitmap, cursor or animation drawn for dpi: resource is
// the one of 100 %; its 150 and 200 % versions are picked by ArtworkScale.
int ArtworkResource(int resource, int dpi);
// The height in pixels of a bitmap resource of instance (fallback when it
// does not load): the size of the square images of an image strip.
int ArtworkHeight(HINSTANCE instance, int bitmap, int fallback);

// The system's message font (the font of message boxes and dialogs) at dpi:
// from SystemParametersInfoForDpi where Windows has it, else the one of
// SystemParametersInfo scaled from the screen's DPI. False (and a zeroed
// font) when neither answers.
bool MessageFontForDpi(int dpi, LOGFONTA *font);

// A width x height rectangle centred on the work area (the screen without
// the task bar) of the monitor window is on, or of the primary monitor for
// a null window. One larger than the work area keeps its top left corner on
// the work area's, so the title bar stays within reach.
RECT CenteredOnWorkArea(HWND window, int width, int height);

// Moves a window to the middle of the work area of its monitor
// (CenteredOnWorkArea: one larger keeps its top left corner on the work
// area's).
void CenterWindow(HWND window);

#endif
