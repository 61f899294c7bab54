// The dialogs of the messenger features.
#include "ui/ulodialogs.h"

#include <string.h>

#include <string>
#include <vector>

#include "base/report.h"
#include "launch/messenger.h"
#include "resources/resource.h"
#include "settings/appdata.h"

namespace {

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

void OnOnlineUsersOk(HWND dialog, UloDialogResult *result)
{
    result->buffer[0] = '\0';
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
        if (!AppendName(result->buffer, static_cast<size_t>(result->size), name.c_str()))
            break;
    }
    EndDialog(dialog, 0);
}

}  // namespace

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
        auto *result = reinterpret_cast<UloDialogResult *>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
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
    UloDialogResult result = {buffer, size};
    INT_PTR answer = DialogBoxParamA(appData->instance, MAKEINTRESOURCEA(IDD_ONLINEUSERS), owner, OnlineUsersDialog,
                                     reinterpret_cast<LPARAM>(&result));
    return answer == 0 ? 0 : 1;
}
