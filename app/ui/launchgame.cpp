// The game launch and the messenger around it.
#include "ui/launchgame.h"

#include "base/paths.h"
#include "base/report.h"
#include "base/shell.h"
#include "launch/gamelaunch.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/busywait.h"
#include "ui/commands.h"
#include "ui/preferences.h"
#include "ui/statusbar.h"

namespace {

// A launch is under way (it may be waiting for the messenger to close).
bool launching;
// The launch waits for the messenger to close.
bool waitingForMessenger;
// The program closed during the launch: no game is started.
bool launchCancelled;

// Closes the messenger for the game when the settings ask for it; true
// when it was asked to close (and has had its time to go).
bool CloseMessenger(HWND mainWindow)
{
    if (!appData || appData->uloVersion == 0 || !ReadFlag("CloseUlo"))
        return false;
    HWND messenger = FindMessengerWindow();
    if (!messenger)
        return false;
    if (ReadFlag("CloseUloConfirm") &&
        ReportMessage(mainWindow, MB_YESNO | MB_ICONQUESTION, "Do you want Ulo to be closed ?") != IDYES)
        return false;
    PostMessageA(messenger, WM_CANCELMODE, 0, 0);
    PostMessageA(messenger, WM_CLOSE, 0, 0);
    StatusPrint(GetDlgItem(mainWindow, ID_STATUSBAR), "Ulo closed");
    waitingForMessenger = true;
    UpdateCommandStates(mainWindow);  // no refresh may start meanwhile
    WaitPumpingMessages(mainWindow, nullptr, static_cast<DWORD>(MessengerCloseWait()) * 1000);
    waitingForMessenger = false;
    return true;
}

void Launch(HWND mainWindow, const char *address, const char *game)
{
    char exe[256];
    if (ReadSetting("Exe", exe, sizeof exe) != 0 || exe[0] == '\0') {
        ShowPreferences(mainWindow, PageQuake2);
        ReadSetting("Exe", exe, sizeof exe);
    }
    WidePath widePath;
    if (!WidePathFromAnsi(&widePath, exe) || !FileExists(widePath.text)) {
        ReportMessage(mainWindow, MB_OK | MB_ICONEXCLAMATION,
                      "Quake path is invalid:\n%s\nPlease correct in View | Preferences", exe);
        return;
    }
    char param[1024];
    ReadSetting(GameParamSetting(game), param, sizeof param);
    bool connect = address && address[0];
    GameCommand command;
    if (!BuildGameCommand(&command, exe, param, connect)) {
        ReportMessage(mainWindow, MB_OK, "Could not start Quake2.\nError %d", static_cast<int>(GetLastError()));
        return;
    }
    // The game is told to run the config only when it holds this server: a
    // file that could not be written may still name another one.
    if (connect && WriteGameConfig(command.folder, address))
        AddConfigExec(&command);

    bool closed = CloseMessenger(mainWindow);
    if (launchCancelled)
        return;  // the program is closing; the messenger is back
    if (closed)
        appData->flags |= FlagUloClosed;
    else
        appData->flags &= ~FlagUloClosed;

    DWORD error = 0;
    if (!StartGame(&command, &error))
        ReportMessage(mainWindow, MB_OK, "Could not start Quake2.\nError %d", static_cast<int>(error));
}

}  // namespace

void LaunchGame(HWND mainWindow, const char *address, const char *game)
{
    if (launching)
        return;
    launching = true;
    launchCancelled = false;
    Launch(mainWindow, address, game);
    launching = false;
}

bool LaunchUnderWay()
{
    return launching;
}

void CancelLaunch(HWND mainWindow)
{
    if (!launching)
        return;
    launchCancelled = true;
    if (waitingForMessenger)
        ReopenMessenger(mainWindow);
}

void ReopenMessenger(HWND mainWindow)
{
    char path[257];
    if (!MessengerInstallPath(path, sizeof path))
        return;
    if (ReadFlag("CloseUloConfirm") &&
        ReportMessage(mainWindow, MB_YESNO | MB_ICONQUESTION, "Do you want to restart Ulo ?") != IDYES)
        return;
    if (OpenWithShell(mainWindow, path, nullptr, "", SW_HIDE))
        StatusPrint(GetDlgItem(mainWindow, ID_STATUSBAR), "Ulo reopened");
}
