// The start-up sequence and its end.
#include "startup.h"

#include <commctrl.h>
#include <objbase.h>

#include "base/report.h"
#include "launch/messenger.h"
#include "net/dialup.h"
#include "settings/appdata.h"
#include "settings/settings.h"

namespace {

// On the first start ("Pos" not stored yet) with a messenger running, its
// owner is greeted by nickname.
void GreetOwner()
{
    char pos[30];
    ReadSetting("Pos", pos, sizeof pos);
    if (pos[0] != '\0' || appData->uloVersion == 0)
        return;
    char nickname[25];
    if (GetOwnerNickname(nickname, sizeof nickname) == 0 && nickname[0] != '\0')
        ReportMessage(nullptr, MB_OK, "Hi %s\nWelcome to Skovalt !", nickname);
}

}  // namespace

int StartProgram(HINSTANCE instance)
{
    CoInitialize(nullptr);
    if (InitAppData(instance) != 0) {
        CoUninitialize();
        return 1;
    }

    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_ANIMATE_CLASS |
                                         ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);

    if (!ReadFlag("NoUloStuff")) {
        int version = 0;
        appData->uloVersion = AskMessengerVersion(&version) ? static_cast<uint32_t>(version) : 0;
    }
    GreetOwner();

    if (KvListLoadAlloc(&appData->mapList, const_cast<char *>("MapData.txt")) != 0) {
        appData->mapList = nullptr;
        ReportMessage(GetDesktopWindow(), MB_ICONEXCLAMATION, "Cannot load 'Mapdata.txt'");
    }

    if (ReadFlag("AutoConnect"))
        DialUp();
    return 0;
}

void EndProgram()
{
    if (!appData)
        return;
    FreeAppData();
    CoUninitialize();
}
