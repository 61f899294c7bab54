// The one-line prompt dialog (resource 140).
#include "ui/prompt.h"

#include "resources/resource.h"

namespace {

struct PromptData {
    char *buffer;
    int size;
    const char *caption;
    const char *prompt;
};

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        auto *data = reinterpret_cast<PromptData *>(lParam);
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
        if (data->caption)
            SetWindowTextA(dialog, data->caption);
        SetDlgItemTextA(dialog, IDC_PROMPT_TEXT, data->prompt ? data->prompt : "");
        SetDlgItemTextA(dialog, IDC_PROMPT_EDIT, data->buffer);
        return TRUE;
    }
    case WM_COMMAND: {
        auto *data = reinterpret_cast<PromptData *>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
        if (LOWORD(wParam) == IDOK) {
            GetDlgItemTextA(dialog, IDC_PROMPT_EDIT, data->buffer, data->size);
            EndDialog(dialog, 0);
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

}  // namespace

int PromptDialog(HWND owner, char *buffer, int size, const char *caption, const char *prompt)
{
    if (!buffer || size <= 0)
        return 1;
    PromptData data = {buffer, size, caption, prompt};
    HINSTANCE instance = GetModuleHandleA(nullptr);
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PROMPT), owner, PromptProc,
                                     reinterpret_cast<LPARAM>(&data));
    return result == 0 ? 0 : 1;
}
