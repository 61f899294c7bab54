// The preferences sheet: F7, its five pages, what the General, Startup and
// Quake2 pages store, and what OK and Cancel leave behind.
#include "sheet_support.h"

#include <stdlib.h>

#include "base/paths.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/displaylist.h"
#include "ui/preferences.h"

namespace {

class Preferences : public SheetTest {};

TEST_F(Preferences, F7OpensFivePagesOnGeneralAndCancelWritesNothing)
{
    WriteSetting("Exe", FilePath("Skovalt.exe").c_str());
    WriteFile("Skovalt.exe", {'M', 'Z'});
    WriteSetting("Startup", "S");
    std::map<std::string, std::string> before = AllSettings();

    std::vector<std::string> tabs;
    int images = 0;
    RunSheetByKey(VK_F7, [&](HWND sheet) {
        HWND tabControl = PropSheet_GetTabControl(sheet);
        for (int i = 0; i < TabCtrl_GetItemCount(tabControl); ++i) {
            char text[64] = "";
            TCITEMA item = {};
            item.mask = TCIF_TEXT | TCIF_IMAGE;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(tabControl, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            tabs.push_back(text);
            images += item.iImage >= 0;
        }
        EXPECT_EQ(PropSheet_HwndToIndex(sheet, PropSheet_GetCurrentPageHwnd(sheet)), PageGeneral);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, 0x3021)));  // no Apply button
        // Every page opened and changed, then Cancel.
        HWND general = Page(sheet, PageGeneral);
        SetText(general, IDC_GENERAL_TIMEOUT, "7");
        Click(general, IDC_GENERAL_SOUND);
        Click(general, IDC_GENERAL_NOULO);
        ASSERT_TRUE(ShowPage(sheet, PageStartup));
        Click(Page(sheet, PageStartup), IDC_STARTUP_QUERY);
        ASSERT_TRUE(ShowPage(sheet, PageQuake2));
        SetText(Page(sheet, PageQuake2), IDC_QUAKE2_PARAM, "+set cl_maxfps 90");
        ASSERT_TRUE(ShowPage(sheet, PageLayout));
        Click(Page(sheet, PageLayout), IDC_LAYOUT_GRID);
        ASSERT_TRUE(ShowPage(sheet, PageFilter));
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(scriptsRun, 1);
    EXPECT_EQ(leftOpen, 0);
    EXPECT_EQ(tabs, (std::vector<std::string>{"General", "Startup", "Quake2", "Layout", "Filter"}));
    EXPECT_EQ(images, 5);
    EXPECT_EQ(AllSettings(), before);
    EXPECT_EQ(appData->timeout, 3);
}

// The time-out and thread count are stored as typed; the time-out in use
// is 1 to 60 s, and a text that is no number means the default.
TEST_F(Preferences, GeneralPageStoresAsTypedAndUsesSafely)
{
    const struct {
        const char *typed;
        long used;
    } cases[] = {{"25", 25}, {"0", 1}, {"4", 4}, {"abc", 3}, {"-4", 3}, {"", 3}, {"999", 60}};
    // A first start: the page shows the defaults in use, so that OK
    // changes nothing.
    std::string firstTimeout, firstThreads;
    RunSheet(PageGeneral, [&](HWND sheet) {
        firstTimeout = Text(Page(sheet, PageGeneral), IDC_GENERAL_TIMEOUT);
        firstThreads = Text(Page(sheet, PageGeneral), IDC_GENERAL_THREADS);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(firstTimeout, "3");
    EXPECT_EQ(firstThreads, "10");
    EXPECT_EQ(Setting("NumServerThreads"), "<missing>");  // left as shown: not stored
    for (const auto &c : cases) {
        RunSheet(PageGeneral, [&](HWND sheet) {
            HWND page = Page(sheet, PageGeneral);
            SetText(page, IDC_GENERAL_TIMEOUT, c.typed);
            SetText(page, IDC_GENERAL_THREADS, "x7");
            PropSheet_PressButton(sheet, PSBTN_OK);
        });
        EXPECT_EQ(Setting("Timeout"), c.typed);
        EXPECT_EQ(appData->timeout, c.used) << c.typed;
    }
    EXPECT_EQ(Setting("NumServerThreads"), "x7");
    EXPECT_EQ(RefreshWorkerLimit("x7"), 10);  // a refresh still runs its default workers

    // The page shows what is in use, also where the spins cannot, and a
    // field left as shown keeps its stored value: a count of 0 (10
    // workers) does not become 1, nor one above the spin's 50 (a refresh
    // runs up to 64) 50; a time-out of 0 or above 10 stays stored, and the
    // one in use (1 to 60 s) is shown.
    const struct {
        const char *threads, *timeout;
        const char *shownThreads, *shownTimeout;
    } stored[] = {{"0", "0", "10", "1"}, {"64", "25", "64", "25"}, {"200", "999999", "64", "60"}};
    for (const auto &c : stored) {
        WriteSetting("NumServerThreads", c.threads);
        WriteSetting("Timeout", c.timeout);
        appData->timeout = ReadTimeoutSetting();
        std::string shownTimeout, shownThreads;
        RunSheet(PageGeneral, [&](HWND sheet) {
            shownTimeout = Text(Page(sheet, PageGeneral), IDC_GENERAL_TIMEOUT);
            shownThreads = Text(Page(sheet, PageGeneral), IDC_GENERAL_THREADS);
            PropSheet_PressButton(sheet, PSBTN_OK);
        });
        EXPECT_EQ(shownThreads, c.shownThreads) << c.threads;
        EXPECT_EQ(shownTimeout, c.shownTimeout) << c.timeout;
        EXPECT_EQ(Setting("NumServerThreads"), c.threads);
        EXPECT_EQ(Setting("Timeout"), c.timeout);
        EXPECT_EQ(appData->timeout, atol(c.shownTimeout));
    }

    // Messenger off at once; back on only at the next start.
    appData->uloVersion = 0x01020000;
    RunSheet(PageGeneral, [&](HWND sheet) {
        HWND page = Page(sheet, PageGeneral);
        EXPECT_TRUE(IsChecked(page, IDC_GENERAL_SOUND));
        EXPECT_FALSE(IsChecked(page, IDC_GENERAL_NOULO));
        Click(page, IDC_GENERAL_NOULO);
        Click(page, IDC_GENERAL_SOUND);
        Click(page, IDC_GENERAL_ASKSAVE);
        Click(page, IDC_GENERAL_NOHOSTNAMES);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(Setting("NoUloStuff"), "Y");
    EXPECT_EQ(appData->uloVersion, 0u);
    EXPECT_EQ(Setting("NoSound"), "Y");
    EXPECT_EQ(Setting("AskSave"), "Y");
    EXPECT_NE(appData->flags & FlagNoHostNames, 0u);
    appData->uloVersion = 0;
    RunSheet(PageGeneral, [&](HWND sheet) {
        HWND page = Page(sheet, PageGeneral);
        EXPECT_FALSE(IsChecked(page, IDC_GENERAL_SOUND));
        EXPECT_TRUE(IsChecked(page, IDC_GENERAL_NOHOSTNAMES));
        Click(page, IDC_GENERAL_NOULO);
        Click(page, IDC_GENERAL_NOHOSTNAMES);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(Setting("NoUloStuff"), "N");
    EXPECT_EQ(appData->uloVersion, 0u);  // not before the next start
    EXPECT_EQ(appData->flags & FlagNoHostNames, 0u);
    EXPECT_EQ(leftOpen, 0);
}

TEST_F(Preferences, StartupPageChecksByTheFirstLetter)
{
    const struct {
        const char *stored;
        int checked;
        const char *afterOk;
    } cases[] = {
        {"Q", IDC_STARTUP_QUERY, "Q"},     {"Itself", IDC_STARTUP_ULOSEARCH, "I"},
        {"S", IDC_STARTUP_REFRESH, "S"},   {"L", IDC_STARTUP_LASTQUERY, "L"},
        {"X", IDC_STARTUP_NOTHING, "N"},   {"", IDC_STARTUP_NOTHING, "N"},
        {"q", IDC_STARTUP_NOTHING, "N"},
    };
    for (const auto &c : cases) {
        WriteSetting("Startup", c.stored);
        int shown = 0;
        RunSheet(PageStartup, [&](HWND sheet) {
            HWND page = Page(sheet, PageStartup);
            for (int id : {IDC_STARTUP_NOTHING, IDC_STARTUP_ULOSEARCH, IDC_STARTUP_QUERY, IDC_STARTUP_LASTQUERY,
                           IDC_STARTUP_REFRESH}) {
                if (IsChecked(page, id))
                    shown = shown ? -1 : id;
            }
            PropSheet_PressButton(sheet, PSBTN_OK);
        });
        EXPECT_EQ(shown, c.checked) << c.stored;
        EXPECT_EQ(Setting("Startup"), c.afterOk) << c.stored;
    }
    // The two check boxes; "check for a new version" is the inverted flag.
    EXPECT_EQ(Setting("AutoConnect"), "N");
    EXPECT_EQ(Setting("DontCheckNewVersion"), "N");
    RunSheet(PageStartup, [&](HWND sheet) {
        HWND page = Page(sheet, PageStartup);
        EXPECT_TRUE(IsChecked(page, IDC_STARTUP_CHECKVERSION));
        Click(page, IDC_STARTUP_CHECKVERSION);
        Click(page, IDC_STARTUP_DIALUP);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(Setting("AutoConnect"), "Y");
    EXPECT_EQ(Setting("DontCheckNewVersion"), "Y");
}

// The Quake2 page will not be left, nor OK taken, without a readable file.
TEST_F(Preferences, Quake2PageRefusesEmptyAndMissingPaths)
{
    WriteFile("readme.txt", {'h', 'i'});
    std::string shownExe, shownLm, shownRa;
    HWND page = nullptr;
    RunSheetSteps(PageQuake2, {
        [&](HWND sheet) {
            page = Page(sheet, PageQuake2);
            shownExe = Text(page, IDC_QUAKE2_EXE);
            shownLm = Text(page, IDC_QUAKE2_PARAMLMCTF);
            shownRa = Text(page, IDC_QUAKE2_PARAMRA);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_QUAKE2_WAIT)));
            Click(page, IDC_QUAKE2_CLOSEULO);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_QUAKE2_WAIT)));
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_QUAKE2_CONFIRM)));
            // The default path names no file here: OK is refused.
            PropSheet_PressButton(sheet, PSBTN_OK);
        },
        [&](HWND sheet) {
            EXPECT_EQ(Setting("Exe"), "<missing>");  // no page stored anything
            EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_QUAKE2_EXE));
            SetText(page, IDC_QUAKE2_EXE, "");
            EXPECT_FALSE(ShowPage(sheet, PageGeneral));  // nor is the page left
            PropSheet_PressButton(sheet, PSBTN_OK);
        },
        [&](HWND sheet) {
            EXPECT_EQ(Setting("Exe"), "<missing>");
            SetText(page, IDC_QUAKE2_EXE, FilePath("readme.txt").c_str());  // not a program, but a file
            SetText(page, IDC_QUAKE2_WAIT, "4");
            PropSheet_PressButton(sheet, PSBTN_OK);
        },
    });
    EXPECT_EQ(leftOpen, 0);
    EXPECT_EQ(shownExe, "C:\\Quake2\\Quake2.exe");
    EXPECT_EQ(shownLm, "+set game lmctf");
    EXPECT_EQ(shownRa, "+set game arena");
    EXPECT_EQ(shownMessages, (std::vector<std::string>{
                                 "Quake2 executable not found at given location:\nC:\\Quake2\\Quake2.exe\n\nPlease check.",
                                 "Please enter full path of Quake2 executable.",
                                 "Please enter full path of Quake2 executable."}));
    // The defaults shown are stored like typed text.
    EXPECT_EQ(Setting("Exe"), FilePath("readme.txt"));
    EXPECT_EQ(Setting("ParamLMCtf"), "+set game lmctf");
    EXPECT_EQ(Setting("ParamRA"), "+set game arena");
    EXPECT_EQ(Setting("Param"), "");
    EXPECT_EQ(Setting("CloseUlo"), "Y");
    EXPECT_EQ(Setting("CloseUloWait"), "4");

    // Stored texts come back; Cancel with a bad path closes at once.
    RunSheet(PageQuake2, [&](HWND sheet) {
        HWND page = Page(sheet, PageQuake2);
        EXPECT_EQ(Text(page, IDC_QUAKE2_EXE), FilePath("readme.txt"));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_QUAKE2_WAIT)));
        SetText(page, IDC_QUAKE2_EXE, "");
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(leftOpen, 0);
    EXPECT_EQ(Setting("Exe"), FilePath("readme.txt"));
}

// A parameter line longer than the page takes (set outside the program)
// shows cut, not emptied, and OK leaves it stored whole.
TEST_F(Preferences, AParameterTooLongForThePageStaysStored)
{
    WriteFile("quake2.exe", {'M', 'Z'});
    WriteSetting("Exe", FilePath("quake2.exe").c_str());
    std::string param;
    while (param.size() < 300)
        param += "+set cl_maxfps 90 ";
    WriteSetting("Param", param.c_str());
    std::string shown;
    RunSheet(PageQuake2, [&](HWND sheet) {
        shown = Text(Page(sheet, PageQuake2), IDC_QUAKE2_PARAM);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(shown, param.substr(0, 255));
    EXPECT_EQ(Setting("Param"), param);
}

// "..." opens the file dialog; the file chosen replaces the path.
TEST_F(Preferences, TheBrowseButtonPutsTheChosenFileIntoThePath)
{
    WriteFile("quake2.exe", {'M', 'Z'});
    std::string title, chosen;
    RunSheet(PageQuake2, [&](HWND sheet) {
        HWND page = Page(sheet, PageQuake2);
        RunInDialog("Quake2 executable", [&](HWND dialog) {
            char text[64] = "";
            GetWindowTextA(dialog, text, sizeof text);
            title = text;
            SetDlgItemTextA(dialog, 0x47C /* the file name edit */, FilePath("quake2.exe").c_str());
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        Click(page, IDC_QUAKE2_BROWSE);
        chosen = Text(page, IDC_QUAKE2_EXE);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(title, "Quake2 executable");
    EXPECT_EQ(chosen, FilePath("quake2.exe"));
    EXPECT_EQ(Setting("Exe"), FilePath("quake2.exe"));
}

// The "Exe" setting is 8-bit: a path the code page holds (1252 here: "é")
// is stored as it is, one in Cyrillic in its short form, found again by
// the 8-bit functions; without a short form the user is told and the
// page stays open.
TEST_F(Preferences, TheQuake2PathIsStoredAsTheCodePageHoldsIt)
{
    std::wstring wideDir(dir.begin(), dir.end());
    std::wstring latin = wideDir + L"Caf\u00e9\\", cyrillic = wideDir + L"\u041a\u0432\u0430\u043a\\";
    for (const std::wstring &folder : {latin, cyrillic}) {
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        FILE *f = _wfopen((folder + L"quake2.exe").c_str(), L"wb");
        ASSERT_TRUE(f);
        fputs("MZ", f);
        fclose(f);
    }
    std::wstring latinExe = latin + L"quake2.exe", cyrillicExe = cyrillic + L"quake2.exe";
    wchar_t shortExe[MAX_PATH];
    ASSERT_NE(GetShortPathNameW(cyrillicExe.c_str(), shortExe, MAX_PATH), 0u);
    RunSheet(PageQuake2, [&](HWND sheet) {
        SetDlgItemTextW(Page(sheet, PageQuake2), IDC_QUAKE2_EXE, latinExe.c_str());
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(Setting("Exe"), FilePath("Caf\xe9\\quake2.exe"));
    // Chosen in the file dialog, as the user does.
    auto browse = [&](HWND page) {
        RunInDialog("Quake2 executable", [&](HWND dialog) {
            SetDlgItemTextW(dialog, 0x47C /* the file name edit */, cyrillicExe.c_str());
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        Click(page, IDC_QUAKE2_BROWSE);
    };
    RunSheet(PageQuake2, [&](HWND sheet) {
        browse(Page(sheet, PageQuake2));
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_TRUE(shownMessages.empty());
    std::string shortForm = Setting("Exe");
    HWND page = nullptr;
    SetShortPathFunctionForTests(NoShortNames);
    RunSheetSteps(PageQuake2, {
        [&](HWND sheet) {
            page = Page(sheet, PageQuake2);
            browse(page);
            PropSheet_PressButton(sheet, PSBTN_OK);
        },
        [&](HWND sheet) {
            EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_QUAKE2_EXE));
            PropSheet_PressButton(sheet, PSBTN_CANCEL);
        },
    });
    SetShortPathFunctionForTests(nullptr);
    EXPECT_EQ(leftOpen, 0);
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0].rfind("The path of the Quake2 executable cannot be stored:\n", 0), 0u)
        << shownMessages[0];
    EXPECT_EQ(Setting("Exe"), shortForm);
    char shortAnsi[MAX_PATH];
    ASSERT_NE(WideCharToMultiByte(CP_ACP, 0, shortExe, -1, shortAnsi, sizeof shortAnsi, nullptr, nullptr), 0);
    EXPECT_EQ(shortForm, shortAnsi);
    EXPECT_NE(GetFileAttributesA(shortForm.c_str()), INVALID_FILE_ATTRIBUTES);
}

// After the sheet, a game filter changed on the Filter page refills the
// server list.
TEST_F(Preferences, AChangedFilterRefillsTheServerList)
{
    AddServer(Ip("10.0.0.1"), 27910, "", "a", "ctf", 1);
    AddServer(Ip("10.0.0.2"), 27910, "", "b", "dm", 1);
    RebuildDisplayList(main);
    HWND list = Child(ID_SERVERLIST);
    EXPECT_EQ(ListView_GetItemCount(list), 2);
    RunSheet(PageFilter, [&](HWND sheet) {
        HWND box = GetDlgItem(Page(sheet, PageFilter), IDC_FILTER_GAMES);
        SendMessageA(box, LB_SETSEL, FALSE, -1);
        SendMessageA(box, LB_SETSEL, TRUE, SendMessageA(box, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                         reinterpret_cast<LPARAM>("dm")));
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(ListView_GetItemCount(list), 1);
    // Cancel leaves the filter, and the list is not rebuilt.
    ListView_DeleteAllItems(list);
    RunSheet(PageFilter, [&](HWND sheet) { PropSheet_PressButton(sheet, PSBTN_CANCEL); });
    EXPECT_EQ(ListView_GetItemCount(list), 0);
}

}  // namespace
