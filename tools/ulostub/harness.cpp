// Test-side control of UloStub.
#include "harness.h"

#include <stdio.h>

static void PumpPending()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool PumpMessagesUntil(bool (*done)(void *context), void *context, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        PumpPending();
        if (done(context))
            return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
}

bool MakeTestFolder(const char *tag, std::string *folder)
{
    static unsigned serial;
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp)
        return false;
    for (int attempt = 0; attempt < 100; attempt++) {
        char name[MAX_PATH];
        snprintf(name, sizeof name, "%sulostub-%lu-%u-%s", temp, GetCurrentProcessId(), ++serial,
                 tag);
        if (CreateDirectoryA(name, nullptr)) {
            *folder = name;
            return true;
        }
    }
    return false;
}

void RemoveTestFolder(const std::string &folder)
{
    if (folder.empty())
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((folder + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

static std::string StubProgram()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string program(path, length);
    size_t slash = program.find_last_of("\\/");
    return program.substr(0, slash == std::string::npos ? 0 : slash + 1) + "UloStub.exe";
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

static bool StubWindowUp(void *context)
{
    WindowSearch *search = (WindowSearch *)context;
    HWND window = FindWindowA(nullptr, "Parlet Window");
    DWORD owner = 0;
    if (window)
        GetWindowThreadProcessId(window, &owner);
    if (window && owner == search->processId)
        search->found = window;
    return search->found != nullptr;
}

static bool WriteTextFile(const std::string &path, const std::string &text)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && written;
}

bool StartStub(StubRun *run, const char *tag, const std::string &configText, std::string *error)
{
    *run = StubRun();
    if (FindWindowA(nullptr, "Parlet Window")) {
        *error = "another \"Parlet Window\" exists already";
        return false;
    }
    if (!MakeTestFolder(tag, &run->folder)) {
        *error = "cannot make a test folder";
        return false;
    }
    run->configPath = run->folder + "\\stub.cfg";
    run->logPath = run->folder + "\\stub.log";
    if (!WriteTextFile(run->configPath, configText)) {
        *error = "cannot write " + run->configPath;
        StopStub(run);
        return false;
    }
    std::string command =
        "\"" + StubProgram() + "\" -c \"" + run->configPath + "\" -l \"" + run->logPath + "\"";
    STARTUPINFOA startup = STARTUPINFOA();
    startup.cb = sizeof startup;
    // Under Wine a process start has failed once at once, with nothing
    // wrong with the program or its files: one more try after a moment.
    bool started = false;
    DWORD startError = 0;
    for (int attempt = 0; attempt < 2 && !started; ++attempt) {
        if (attempt > 0)
            Sleep(500);
        started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &run->process) != 0;
        if (!started)
            startError = GetLastError();
    }
    if (!started) {
        *error = "cannot start " + command + " (error " + std::to_string(startError) + ")";
        StopStub(run);
        return false;
    }
    WindowSearch search = {run->process.dwProcessId, nullptr};
    DWORD start = GetTickCount();
    while (!StubWindowUp(&search) && GetTickCount() - start < 10000) {
        // Either it is still starting or it gave up on its configuration.
        if (WaitForSingleObject(run->process.hProcess, 2) == WAIT_OBJECT_0) {
            std::vector<std::string> log = StubLog(*run, "error");
            *error = "UloStub ended: " + (log.empty() ? std::string("no log") : log[0]);
            StopStub(run);
            return false;
        }
    }
    run->requestWindow = search.found;
    if (!search.found) {
        *error = "UloStub's window did not appear";
        StopStub(run);
        return false;
    }
    return true;
}

bool StopStub(StubRun *run)
{
    bool clean = false;
    if (run->process.hProcess) {
        if (run->requestWindow)
            PostMessageA(run->requestWindow, WM_CLOSE, 0, 0);
        DWORD start = GetTickCount();
        for (;;) {
            DWORD elapsed = GetTickCount() - start;
            if (elapsed >= 10000)
                break;
            DWORD woken = MsgWaitForMultipleObjects(1, &run->process.hProcess, FALSE,
                                                    10000 - elapsed, QS_ALLINPUT);
            if (woken == WAIT_OBJECT_0) {
                DWORD exitCode = 1;
                GetExitCodeProcess(run->process.hProcess, &exitCode);
                clean = exitCode == 0;
                break;
            }
            PumpPending();
        }
        if (WaitForSingleObject(run->process.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(run->process.hProcess, 9);
            WaitForSingleObject(run->process.hProcess, 5000);
        }
        CloseHandle(run->process.hThread);
        CloseHandle(run->process.hProcess);
    }
    RemoveTestFolder(run->folder);
    *run = StubRun();
    return clean;
}

std::vector<std::string> StubLog(const StubRun &run, const char *prefix)
{
    std::vector<std::string> lines;
    FILE *file = fopen(run.logPath.c_str(), "rb");
    if (!file)
        return lines;
    std::string prefixText = prefix;
    char buffer[8192];
    while (fgets(buffer, sizeof buffer, file)) {
        std::string line = buffer;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (line.compare(0, prefixText.size(), prefixText) == 0)
            lines.push_back(line);
    }
    fclose(file);
    return lines;
}
