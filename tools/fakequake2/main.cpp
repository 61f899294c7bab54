// FakeQuake2: a stand-in for the Quake2 executable. It appends what it was
// started with to "launched.txt" beside itself and exits:
//
//   command line as the starter gave it\n
//   working folder\n
//
// The whole record goes out in one write to a file opened for appending, so
// a reader never sees half a record, and two starts leave two records.
#include <windows.h>

#include <string.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self)
        return 1;
    char *slash = strrchr(self, '\\');
    if (!slash)
        return 1;
    strcpy(slash + 1, "launched.txt");

    char folder[MAX_PATH];
    DWORD folderLength = GetCurrentDirectoryA(sizeof folder, folder);
    if (folderLength == 0 || folderLength >= sizeof folder)
        return 1;
    std::string record = std::string(GetCommandLineA()) + "\n" + folder + "\n";

    HANDLE file = CreateFileA(self, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    BOOL ok = WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == record.size() ? 0 : 1;
}
