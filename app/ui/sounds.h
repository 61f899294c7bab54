// The program's sounds.
#ifndef SKOVALT_UI_SOUNDS_H
#define SKOVALT_UI_SOUNDS_H

#include <windows.h>

// Plays a wave file of the program folder unless "NoSound" is on; a call
// with no name and no flags stops any sound, "NoSound" or not.
void PlayWave(const char *fileName, DWORD flags);

#endif
