// The horizontal splitter bar between the two lists (class "ClassHSplit").
#ifndef SKOVALT_UI_SPLITTER_H
#define SKOVALT_UI_SPLITTER_H

#include <windows.h>

// Registers the class "ClassHSplit".
bool RegisterSplitterClass(HINSTANCE instance);

#endif
