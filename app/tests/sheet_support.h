// The preferences sheet driven in-process: the sheet runs modally as the
// user sees it, and a script runs inside its message loop, sets controls
// and presses its buttons through the property-sheet messages.
#ifndef SKOVALT_TESTS_SHEET_SUPPORT_H
#define SKOVALT_TESTS_SHEET_SUPPORT_H

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "window_support.h"

using SheetScript = std::function<void(HWND sheet)>;

class SheetTest : public MainWindowTest {
protected:
    void SetUp() override;
    // Opens the sheet at a page (ShowPreferences) and runs the script in
    // it. A sheet the script left open is cancelled and counted.
    void RunSheet(int page, const SheetScript &script);
    // Steps run one at a time, each after what the one before posted.
    void RunSheetSteps(int page, const std::vector<SheetScript> &steps);
    // The same, the sheet opened by a key of the main window.
    void RunSheetByKey(UINT key, const SheetScript &script);
    // Every value of the test's settings key.
    std::map<std::string, std::string> AllSettings() const;
    void EndGuard();
    int leftOpen = 0;
    int scriptsRun = 0;
};

// The page window of a page index (created when the page was first shown).
HWND Page(HWND sheet, int index);
// Shows a page, as a click on its tab does; false when the page shown
// refused to be left.
bool ShowPage(HWND sheet, int index);
void Click(HWND page, int id);
void SetText(HWND page, int id, const char *text);
std::string Text(HWND page, int id);
bool IsChecked(HWND page, int id);
void SetChecked(HWND page, int id, bool on);  // as a click does when it changes
// The entries of a list box, and its selected positions.
std::vector<std::string> Entries(HWND box);
std::vector<int> SelectedRows(HWND box);
void SelectRows(HWND box, const std::vector<int> &rows);

// Runs script once in the next modal loop, on the dialog with the title.
void RunInDialog(const char *title, const SheetScript &script);

#endif
