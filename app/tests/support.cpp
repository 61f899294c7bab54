#include "support.h"

#include <winsock2.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/files.h"
#include "base/paths.h"
#include "base/report.h"
#include "base/shell.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "serverlist/servertable.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "startup.h"
#include "ui/rows.h"
#include "ui/statusbar.h"

std::vector<std::string> shownMessages;
std::vector<int> messageAnswers;
std::vector<ShellOpen> shellOpened;

namespace {

bool RecordShellOpen(const char *target, const char *parameters, int showCommand)
{
    shellOpened.push_back({target ? target : "", parameters ? parameters : "", showCommand});
    return true;
}

int RecordMessage(HWND, UINT, const char *text)
{
    shownMessages.push_back(text);
    if (messageAnswers.empty())
        return IDOK;
    int answer = messageAnswers.front();
    messageAnswers.erase(messageAnswers.begin());
    return answer;
}

}  // namespace

DWORD WINAPI NoShortNames(LPCWSTR longPath, LPWSTR shortPath, DWORD size)
{
    DWORD length = static_cast<DWORD>(wcslen(longPath));
    if (length >= size)
        return length + 1;
    wmemcpy(shortPath, longPath, length + 1);
    return length;
}

namespace {

// Wide, so that test folders named in any script go too.
void RemoveTree(const std::wstring &path)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = path + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full + L"\\");
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

void RemoveTree(const std::string &path)
{
    RemoveTree(std::wstring(path.begin(), path.end()));  // the ASCII temp folder
}

HANDLE heldRefreshRelease;

size_t diskRoom;

bool WriteToFullDisk(HANDLE file, const void *data, DWORD size)
{
    DWORD fits = size < diskRoom ? size : static_cast<DWORD>(diskRoom);
    DWORD written = 0;
    if (fits > 0 && !WriteFile(file, data, fits, &written, nullptr))
        return false;
    diskRoom -= written;
    return written == size;
}

bool HoldPrepare(void *, RefreshItem *)
{
    WaitForSingleObject(heldRefreshRelease, INFINITE);
    return false;
}

void HoldFinish(void *, RefreshItem *) {}
void HoldWindingUp(void *) {}
void HoldEnded(void *, bool) {}

}  // namespace

FullDisk::FullDisk(size_t room)
{
    diskRoom = room;
    SetFileWriterForTests(WriteToFullDisk);
}

FullDisk::~FullDisk()
{
    SetFileWriterForTests(nullptr);
}

void HoldRefresh()
{
    if (!heldRefreshRelease)
        heldRefreshRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(heldRefreshRelease);
    RefreshOptions options = {1, 1, 1, 1, nullptr};
    RefreshHooks hooks = {nullptr, HoldPrepare, HoldFinish, HoldWindingUp, HoldEnded};
    ASSERT_EQ(StartRefreshEngine(&options, &hooks), 0);
    ASSERT_TRUE(RefreshRunning());
}

void ReleaseRefresh()
{
    SetEvent(heldRefreshRelease);
    while (RefreshRunning())
        Sleep(1);
}

void AppTest::SetUp()
{
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    dir = std::string(temp) + "skovalt-test-" + std::to_string(GetCurrentProcessId()) + "-" + name + "\\";
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    SetModuleDirForTests(std::wstring(dir.begin(), dir.end()).c_str());  // an ASCII temp folder
    SetSettingsKeyForTests(("Software\\Holmdrey\\SkovaltTest\\" + name).c_str());
    DeleteSettingsKey();
    KeepOffTheWeb();
    shownMessages.clear();
    messageAnswers.clear();
    SetMessageHookForTests(RecordMessage);
    shellOpened.clear();
    SetShellHookForTests(RecordShellOpen);
}

void AppTest::KeepOffTheWeb()
{
    // A closed port on this machine: every web request fails at once, and
    // none leaves it.
    for (const char *name : {"VersionURL", "MasterListURL", "SetupURL", "HomepageURL"})
        WriteSetting(name, "http://127.0.0.1:9/");
}

void AppTest::TearDown()
{
    EndProgram();
    DeleteSettingsKey();
    SetSettingsKeyForTests(nullptr);
    SetModuleDirForTests(nullptr);
    SetMessageHookForTests(nullptr);
    SetShellHookForTests(nullptr);
    SetFileWriterForTests(nullptr);
    RemoveTree(dir);
}

std::string AppTest::FilePath(const char *name) const
{
    return dir + name;
}

void AppTest::WriteFile(const char *name, const Bytes &data) const
{
    FILE *f = fopen(FilePath(name).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!data.empty())
        fwrite(data.data(), 1, data.size(), f);
    fclose(f);
}

Bytes AppTest::ReadFile(const char *name) const
{
    Bytes data;
    FILE *f = fopen(FilePath(name).c_str(), "rb");
    if (!f)
        return data;
    unsigned char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        data.insert(data.end(), buffer, buffer + n);
    fclose(f);
    return data;
}

bool AppTest::Exists(const char *name) const
{
    return GetFileAttributesA(FilePath(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string AppTest::InstallFakeGame() const
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string fake = self;
    fake = fake.substr(0, fake.rfind('\\') + 1) + "FakeQuake2.exe";
    std::string exe = FilePath("Quake 2\\quake2.exe");
    if (!CreateDirectoryA(FilePath("Quake 2").c_str(), nullptr) ||
        !CreateDirectoryA(FilePath("Quake 2\\baseq2").c_str(), nullptr) ||
        !CopyFileA(fake.c_str(), exe.c_str(), TRUE))
        return "";
    return exe;
}

std::string AppTest::Setting(const char *name) const
{
    std::vector<char> text(65536);
    if (ReadSetting(name, text.data(), text.size()) != 0)
        return "<missing>";
    return text.data();
}

void AppTest::StartAppData()
{
    ASSERT_EQ(StartProgram(GetModuleHandleA(nullptr)), 0);
    ASSERT_NE(appData, nullptr);
}

ListWindow::ListWindow()
{
    window = CreateWindowExA(0, "STATIC", "test", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window,
                                reinterpret_cast<HMENU>(ID_STATUSBAR), nullptr, nullptr);
    SetStatusParts(statusBar, 640);
    DWORD style = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS;
    serverList = CreateWindowExA(0, WC_LISTVIEWA, "", style, 0, 0, 600, 200, window,
                                 reinterpret_cast<HMENU>(ID_SERVERLIST), nullptr, nullptr);
    playerList = CreateWindowExA(0, WC_LISTVIEWA, "", style | LVS_SINGLESEL, 0, 200, 600, 200, window,
                                 reinterpret_cast<HMENU>(ID_PLAYERLIST), nullptr, nullptr);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 100;
    column.pszText = const_cast<char *>("x");
    SendMessageA(serverList, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    SendMessageA(playerList, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    if (appData)
        appData->mainWindow = window;
}

ListWindow::~ListWindow()
{
    DestroyWindow(window);
}

std::string StatusText(HWND statusBar, int part)
{
    char text[1100] = {};
    LRESULT info = SendMessageA(statusBar, SB_GETTEXTLENGTHA, static_cast<WPARAM>(part), 0);
    if (LOWORD(info) >= sizeof text)
        return "<too long>";
    SendMessageA(statusBar, SB_GETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
    return text;
}

void SetClipboardText(const std::string &text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return text;
    HANDLE block = GetClipboardData(CF_TEXT);
    const char *data = block ? static_cast<const char *>(GlobalLock(block)) : nullptr;
    if (data) {
        text = data;
        GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
}

std::string CellText(HWND list, int row, int column)
{
    char text[256] = "";
    ListView_GetItemText(list, row, column, text, sizeof text);
    return text;
}

int RowImage(HWND list, int row)
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

std::vector<LPARAM> RowParams(HWND list)
{
    std::vector<LPARAM> params;
    int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        LPARAM param = -1;
        RowParam(list, row, &param);
        params.push_back(param);
    }
    return params;
}

int AddServer(uint32_t ip, uint16_t port, const char *host, const char *name, const char *game, uint16_t ping,
              uint8_t flags)
{
    tagQServer *server = nullptr;
    if (KvServerAlloc(&server, ip, port, const_cast<char *>(host), const_cast<char *>(name),
                      const_cast<char *>(game), ping) != 0)
        return -1;
    return AddSlot(&appData->table, server, flags);
}

Bytes ServerRecord(const Bytes &ip, uint16_t port, uint16_t ping, uint8_t flags, const char *host, const char *name,
                   const char *game)
{
    Bytes r = ip;
    r.push_back(static_cast<unsigned char>(port & 0xFF));
    r.push_back(static_cast<unsigned char>(port >> 8));
    r.push_back(static_cast<unsigned char>(ping & 0xFF));
    r.push_back(static_cast<unsigned char>(ping >> 8));
    r.push_back(flags);
    r.insert(r.end(), 19, 0);
    for (const char *text : {host, name, game}) {
        r.insert(r.end(), text, text + strlen(text));
        r.push_back(0);
    }
    return r;
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

uint32_t Ip(const char *dotted)
{
    return static_cast<uint32_t>(inet_addr(dotted));
}

namespace {

const char kChildDpi[] = "SKOVALT_TEST_DPI";

// Sets LogPixels of the prefix's user for as long as it lives, then puts
// back what was there.
struct LogPixels {
    explicit LogPixels(DWORD dpi)
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key, nullptr);
        DWORD size = sizeof old;
        had = key && RegQueryValueExA(key, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE *>(&old), &size) ==
                         ERROR_SUCCESS;
        if (key)
            RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&dpi), sizeof dpi);
    }
    ~LogPixels()
    {
        if (!key)
            return;
        if (had)
            RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&old), sizeof old);
        else
            RegDeleteValueA(key, "LogPixels");
        RegCloseKey(key);
    }
    HKEY key = nullptr;
    DWORD old = 0;
    bool had = false;
};

}  // namespace

DWORD RunSelfAtDpi(DWORD dpi, const char *filter)
{
    LogPixels setting(dpi);
    if (!setting.key)
        return 0xFFFFFFFF;
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = std::string("\"") + exe + "\" --gtest_filter=" + filter;
    char value[16];
    snprintf(value, sizeof value, "%lu", static_cast<unsigned long>(dpi));
    SetEnvironmentVariableA(kChildDpi, value);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &process);
    SetEnvironmentVariableA(kChildDpi, nullptr);
    if (!started)
        return 0xFFFFFFFF;
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 0xFFFFFFFF);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

int ChildTestDpi()
{
    char value[16] = "";
    if (!GetEnvironmentVariableA(kChildDpi, value, sizeof value))
        return 0;
    return atoi(value);
}
