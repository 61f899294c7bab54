// The program's sounds: wave files of its folder.
#include "ui/sounds.h"

#include <mmsystem.h>

#include "base/paths.h"
#include "settings/settings.h"

void PlayWave(const char *fileName, DWORD flags)
{
    bool stopOnly = !fileName && flags == 0;
    if (!stopOnly && ReadFlag("NoSound"))
        return;
    WidePath path;
    ModulePath(&path, fileName);
    PlaySoundW(path.text, nullptr, flags | SND_FILENAME | SND_NODEFAULT | SND_PURGE);
}
