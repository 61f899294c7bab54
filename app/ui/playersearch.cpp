// The player search.
#include "ui/playersearch.h"

#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/report.h"
#include "base/text.h"
#include "launch/messenger.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/helpers.h"
#include "ui/rows.h"
#include "ui/refreshview.h"
#include "ui/statusbar.h"
#include "ui/ulodialogs.h"

namespace {

// The Find dialog takes at most 1,023 characters; the start-up's repeat of
// the last search reads at most 511. Longer searches are cut after their
// last whole name that fits, never emptied: an empty search finds
// everybody.
const size_t FindTextSize = 1024;
const size_t RepeatTextSize = 512;

// What the Find dialog edits: the search words, in and out.
struct FindData {
    char *buffer;
    int size;
};

INT_PTR CALLBACK FindProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        auto *data = reinterpret_cast<FindData *>(lParam);
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
        EnableWindow(GetDlgItem(dialog, IDC_FIND_ONLINE), appData->uloVersion != 0);
        SendDlgItemMessageA(dialog, IDC_FIND_TEXT, EM_LIMITTEXT, static_cast<WPARAM>(data->size - 1), 0);
        SetDlgItemTextA(dialog, IDC_FIND_TEXT, data->buffer);
        return TRUE;
    }
    case WM_COMMAND: {
        auto *data = reinterpret_cast<FindData *>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
        switch (LOWORD(wParam)) {
        case IDOK:
            GetDlgItemTextA(dialog, IDC_FIND_TEXT, data->buffer, data->size);
            EndDialog(dialog, 0);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_FIND_ONLINE: {
            char names[512];
            if (ShowOnlineUsersDialog(dialog, names, sizeof names) == 0)
                SetDlgItemTextA(dialog, IDC_FIND_TEXT, names);
            // The client may have gone meanwhile.
            EnableWindow(GetDlgItem(dialog, IDC_FIND_ONLINE), appData->uloVersion != 0);
            return TRUE;
        }
        default:
            return FALSE;
        }
    }
    default:
        return FALSE;
    }
}

// A new search with these words: kept for the next time, as much of it as
// the Find dialog can show again, then a refresh of every server.
void SearchFor(HWND mainWindow, const char *text)
{
    SetSearchText(text);
    std::vector<char> kept(text, text + strlen(text) + 1);
    CutAtWholeFields(kept.data(), FindTextSize, ",");
    WriteSetting("LastFindPlayer", kept.data());
    StartRefresh(mainWindow, 0);
}

}  // namespace

bool PlayerMatches(tagPlayer *player)
{
    if (!appData || !appData->searchText || !player)
        return false;
    const char *name = KvPlayerGetName(player);
    const char *rest = appData->searchText;
    do {
        char word[128];
        rest = NextField(word, sizeof word, rest, ',');
        if (word[0] == '\0' || FindNoCase(name, word))
            return true;
    } while (*rest);
    return false;
}

void SetSearchText(const char *text)
{
    char *copy = _strdup(text ? text : "");
    if (!copy)
        return;  // the search in force stays
    free(appData->searchText);
    appData->searchText = copy;
}

int InsertMatchingPlayers(HWND players, long slot)
{
    if (!appData->searchText || !*appData->searchText)
        return 0;
    ServerSlot *entry = SlotAt(&appData->table, slot);
    if (!entry || !entry->server)
        return 0;
    tagQServer *server = entry->server;
    int inserted = 0;
    int position = 0;
    for (tagPlayer *p = KvServerGetFirstPlayer(server); p && position <= kMaxRowPlayerPosition;
         p = KvServerGetNextPlayer(server, p), ++position) {
        if (PlayerMatches(p) && InsertPlayerRow(players, inserted, slot, position) >= 0)
            ++inserted;
    }
    return inserted;
}

void ShowFoundPlayers(HWND mainWindow)
{
    if (!appData->searchText || !*appData->searchText)
        return;
    HWND players = GetDlgItem(mainWindow, ID_PLAYERLIST);
    InvalidateRect(players, nullptr, TRUE);
    StatusPrintPart(GetDlgItem(mainWindow, ID_STATUSBAR), 2, "%d players found",
                    static_cast<int>(SendMessageA(players, LVM_GETITEMCOUNT, 0, 0)));
}

void AddMatchingPlayers(HWND mainWindow, long slot)
{
    HWND players = GetDlgItem(mainWindow, ID_PLAYERLIST);
    SwitchRedraw(players, false);
    InsertMatchingPlayers(players, slot);
    SwitchRedraw(players, true);
    ShowFoundPlayers(mainWindow);
}

void OnCmdFindPlayer(HWND mainWindow)
{
    char text[FindTextSize];
    ReadSettingFields("LastFindPlayer", text, sizeof text, ",");
    FindData data = {text, static_cast<int>(sizeof text)};
    if (DialogBoxParamA(appData->instance, MAKEINTRESOURCEA(IDD_FINDPLAYER), mainWindow, FindProc,
                        reinterpret_cast<LPARAM>(&data)) != 0)
        return;
    SearchFor(mainWindow, text);
}

void SearchOnlineUsers(HWND mainWindow)
{
    std::vector<std::string> names;
    // With the messenger features off the client is not asked: as if it
    // had gone.
    if (appData->uloVersion == 0 || GetOnlineNicknames(&names) != 0) {
        appData->uloVersion = 0;
        ReportMessage(mainWindow, MB_OK, "Ulo was closed !");
        return;
    }
    if (names.empty()) {
        ReportMessage(mainWindow, MB_ICONINFORMATION,
                      "The startup option was 'Search for online Ulo users' but there are currently no Ulo users "
                      "online.");
        return;
    }
    std::string joined;
    for (const std::string &name : names) {
        if (!joined.empty())
            joined += ',';
        joined += name;
    }
    SearchFor(mainWindow, joined.c_str());
}

void RepeatLastSearch(HWND mainWindow)
{
    char text[RepeatTextSize];
    ReadSettingFields("LastFindPlayer", text, sizeof text, ",");
    SetSearchText(text);
    StartRefresh(mainWindow, 0);
}
