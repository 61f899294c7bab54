// Running UloStub from a test: a fresh folder per test for its configuration
// and log, start and clean stop of the process, and message pumping while
// waiting for something the stand-in sends.
#ifndef ULOSTUB_HARNESS_H
#define ULOSTUB_HARNESS_H

#include <windows.h>

#include <string>
#include <vector>

struct StubRun {
    PROCESS_INFORMATION process;
    HWND requestWindow;       // the stand-in's "Parlet Window"
    std::string folder;       // removed by StopStub
    std::string configPath;
    std::string logPath;
};

// A new empty folder under the temp folder, named after tag.
bool MakeTestFolder(const char *tag, std::string *folder);
// Removes the folder and the files in it.
void RemoveTestFolder(const std::string &folder);

// Writes configText to a new test folder and starts UloStub.exe (found beside
// the running program) on it, logging to the same folder. Returns once its
// "Parlet Window" exists; false with *error set when it does not come up
// within a few seconds or another stand-in already runs (nothing is then
// left running or on disk).
bool StartStub(StubRun *run, const char *tag, const std::string &configText, std::string *error);

// Closes the stand-in and waits for it to end, dispatching this thread's
// messages meanwhile (a late reply may be waiting for us). Removes the test
// folder. False when it had to be killed or ended with an error.
bool StopStub(StubRun *run);

// The log lines that start with prefix ("" for all), in order.
std::vector<std::string> StubLog(const StubRun &run, const char *prefix);

// Dispatches this thread's messages until done(context) holds or timeoutMs
// passes; returns done(context).
bool PumpMessagesUntil(bool (*done)(void *context), void *context, DWORD timeoutMs);

#endif
