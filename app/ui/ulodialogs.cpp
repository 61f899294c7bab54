// The messenger dialogs (online users, choosing a user) and the command
// that sends servers to a user.
#include "ui/ulodialogs.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/files.h"
#include "base/paths.h"
#include "base/report.h"
#include "kv/kv.h"
#include "launch/messenger.h"
#include "parlet/parlet.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "ui/rows.h"

namespace {

// Fills the user list; false (the dialog has ended with 1) when there is
// nobody to choose.
bool FillUserList(HWND dialog)
{
    std::vector<OnlineUser> users;
    int listed;
    if (GetOnlineUsers(&users, &listed) != 0) {
        appData->uloVersion = 0;
        ReportMessage(dialog, MB_OK | MB_ICONEXCLAMATION, "Ulo was closed !");
        EndDialog(dialog, 1);
        return false;
    }
    if (listed == 0) {
        ReportMessage(dialog, MB_OK | MB_ICONEXCLAMATION, "There are no Ulo users online !");
        EndDialog(dialog, 1);
        return false;
    }
    HWND list = GetDlgItem(dialog, IDC_SELECTUSER_LIST);
    // The number sits past the list's width: the user sees the nicknames.
    int tabStop = 500;
    SendMessageA(list, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
    for (const OnlineUser &user : users) {
        std::string entry = user.nickname + "\t" + std::to_string(user.uin);
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    return true;
}

// Ends the dialog with the number of the entry at the caret; an entry
// without a number (or none at all) keeps it open.
void ChooseUser(HWND dialog)
{
    auto *result = reinterpret_cast<UloDialogBuffer *>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    HWND list = GetDlgItem(dialog, IDC_SELECTUSER_LIST);
    LRESULT row = SendMessageA(list, LB_GETCARETINDEX, 0, 0);
    LRESULT length = row == LB_ERR ? LB_ERR : SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
    char entry[256];
    if (length == LB_ERR || length >= static_cast<LRESULT>(sizeof entry))
        return;
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(entry));
    const char *tab = strchr(entry, '\t');
    if (!tab || !result || !result->text || result->size == 0)
        return;
    snprintf(result->text, result->size, "%s", tab + 1);
    EndDialog(dialog, 0);
}

// The server lines of the list's selected rows, each ending in CR LF.
std::string ServerLines(HWND list)
{
    std::string lines;
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list, row, LVNI_SELECTED)) {
        LPARAM param;
        tagQServer *server = RowParam(list, row, &param) ? RowServer(param) : nullptr;
        if (!server)
            continue;
        char address[128];
        KvServerGetHostIPString(server, address, sizeof address);
        lines += address;
        if (const char *name = KvServerGetServerName(server))
            lines += std::string(", ") + name;
        lines += "\r\n";
    }
    return lines;
}

// Appends ",name" (or name alone to an empty buffer) when it fits whole
// with its NUL; otherwise leaves the buffer as it is and returns false.
bool AppendName(char *buffer, size_t size, const char *name)
{
    size_t used = strlen(buffer);
    size_t comma = used > 0 ? 1 : 0;
    size_t length = strlen(name);
    if (used + comma + length + 1 > size)
        return false;
    if (comma)
        buffer[used++] = ',';
    memcpy(buffer + used, name, length + 1);
    return true;
}

void OnOnlineUsersOk(HWND dialog, UloDialogBuffer *result)
{
    result->text[0] = '\0';
    HWND list = GetDlgItem(dialog, IDC_ONLINE_USERS);
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (SendMessageA(list, LB_GETSEL, static_cast<WPARAM>(i), 0) <= 0)
            continue;
        int length = static_cast<int>(SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0));
        if (length < 0)
            continue;
        std::string name(static_cast<size_t>(length) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&name[0]));
        // The result ends at the last name that fits whole.
        if (!AppendName(result->text, result->size, name.c_str()))
            break;
    }
    EndDialog(dialog, 0);
}

}  // namespace

INT_PTR CALLBACK SelectUserDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
        FillUserList(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || (LOWORD(wParam) == IDC_SELECTUSER_LIST && HIWORD(wParam) == LBN_DBLCLK)) {
            ChooseUser(dialog);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void OnCmdSendServerInfo(HWND mainWindow)
{
    HWND list = ActiveList(mainWindow);
    if (!appData || appData->uloVersion == 0 || ListView_GetNextItem(list, -1, LVNI_SELECTED) < 0)
        return;
    char uin[128] = "";
    UloDialogBuffer result = {uin, sizeof uin};
    if (DialogBoxParamA(appData->instance, MAKEINTRESOURCEA(IDD_SELECTUSER), mainWindow, SelectUserDialog,
                        reinterpret_cast<LPARAM>(&result)) != 0)
        return;
    WidePath path;
    if (!TempFolderPath(&path, "Server.txt"))
        return;
    std::string lines = ServerLines(list);
    char shown[kPathMax * 2];
    if (!WriteWholeFile(path.text, lines.data(), lines.size())) {
        ReportMessage(mainWindow, MB_ICONEXCLAMATION, "Cannot write '%s'",
                      PathForMessage(path.text, shown, sizeof shown));
        return;
    }
    // The messenger takes an 8-bit path: the short form where the temporary
    // folder's name does not fit the code page.
    if (!AnsiPath(path.text, shown, sizeof shown)) {
        ReportMessage(mainWindow, MB_ICONEXCLAMATION,
                      "The temporary folder's path cannot be handed to Ulo:\n%s",
                      PathForMessage(path.text, shown, sizeof shown));
        return;
    }
    UloAPICall_SendFile(atoi(uin), shown);
}

INT_PTR CALLBACK OnlineUsersDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
        std::vector<std::string> names;
        if (GetOnlineNicknames(&names) != 0) {
            appData->uloVersion = 0;
            ReportMessage(dialog, MB_ICONEXCLAMATION, "Ulo was closed !");
            EndDialog(dialog, 1);
            return TRUE;
        }
        HWND list = GetDlgItem(dialog, IDC_ONLINE_USERS);
        for (const std::string &name : names)
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        SendMessageA(list, LB_SETSEL, TRUE, static_cast<LPARAM>(-1));
        return TRUE;
    }
    case WM_COMMAND: {
        auto *result = reinterpret_cast<UloDialogBuffer *>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
        if (LOWORD(wParam) == IDOK) {
            OnOnlineUsersOk(dialog, result);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

int ShowOnlineUsersDialog(HWND owner, char *buffer, int size)
{
    if (!buffer || size <= 0)
        return 1;
    UloDialogBuffer result = {buffer, static_cast<size_t>(size)};
    INT_PTR answer = DialogBoxParamA(appData->instance, MAKEINTRESOURCEA(IDD_ONLINEUSERS), owner, OnlineUsersDialog,
                                     reinterpret_cast<LPARAM>(&result));
    return answer == 0 ? 0 : 1;
}
