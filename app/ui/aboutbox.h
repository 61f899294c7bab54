// The about box: the program's version, the author's picture (a click
// plays her sound) and the feedback mail, after which the picture is
// offered as a file.
#ifndef SKOVALT_UI_ABOUTBOX_H
#define SKOVALT_UI_ABOUTBOX_H

#include <windows.h>
#include <stdint.h>

// The modal about box (dialog 110), owned by the main window.
void ShowAboutBox(HWND mainWindow);

// The line the box shows for a packed version: "Skovalt 4.7.2", or
// "Skovalt" alone for 0 (no version resource).
void AboutVersionText(uint32_t packed, char *text, size_t size);

// Draws a bitmap resource of 8 bits or fewer per pixel with its own colour
// table realised as a palette, width x height pixels at (x, y) of dc.
// Returns 0, or 1 when the resource is missing.
int DrawBitmapResource(int resource, HDC dc, int x, int y, int width, int height);

// After a sent feedback mail: asks whether the user wants the author's
// picture as Mireva.jpg in the program folder, then writes it (completely
// or not at all) and opens it. Nothing happens when the file exists.
void OfferPicture(HWND owner);

// Tests only: the version the box shows instead of the program's own
// (kNoVersion restores it).
void SetAboutVersionForTests(uint32_t packed);

#endif
