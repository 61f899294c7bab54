// The Layout page: the lists a template makes and the template they store,
// the move buttons, the window switch, and what applies at once.
#include "sheet_support.h"

#include <algorithm>

#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/rows.h"
#include "ui/layoutpage.h"
#include "ui/listview.h"
#include "ui/preferences.h"

namespace {

class Layout : public SheetTest {
protected:
    void RunLayout(const std::function<void(HWND sheet, HWND page)> &script)
    {
        RunSheet(PageLayout, [&](HWND sheet) { script(sheet, Page(sheet, PageLayout)); });
    }
};

HWND AvailableBox(HWND page)
{
    return GetDlgItem(page, IDC_LAYOUT_AVAILABLE);
}

HWND SelectedBox(HWND page)
{
    return GetDlgItem(page, IDC_LAYOUT_SELECTED);
}

int ColumnCount(HWND list)
{
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    return static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

// Selects the Available entry with a description.
void PickAvailable(HWND page, const char *description)
{
    HWND box = AvailableBox(page);
    std::vector<std::string> entries = Entries(box);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].compare(0, entries[i].find('\t'), description) == 0) {
            SelectRows(box, {static_cast<int>(i)});
            return;
        }
    }
    ADD_FAILURE() << description << " not available";
}

void ChooseWindow(HWND page, int window)
{
    SendDlgItemMessageA(page, IDC_LAYOUT_WINDOW, CB_SETCURSEL, static_cast<WPARAM>(window), 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_LAYOUT_WINDOW, CBN_CLOSEUP),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_LAYOUT_WINDOW)));
}

TEST_F(Layout, TheDefaultTemplateFillsBothLists)
{
    std::vector<std::string> selected, available;
    RunLayout([&](HWND, HWND page) {
        selected = Entries(SelectedBox(page));
        available = Entries(AvailableBox(page));
        EXPECT_EQ(SelectedRows(SelectedBox(page)), std::vector<int>{0});
        EXPECT_EQ(SelectedRows(AvailableBox(page)), std::vector<int>{0});
        EXPECT_EQ(Text(page, IDC_LAYOUT_WINDOW), "Server");
    });
    EXPECT_EQ(selected, (std::vector<std::string>{"Server\t%s", "Server ping\t%y", "Number of players/Max\t%n/%x",
                                                  "Full levelname\t%l", "Game\t%g", ""}));
    // Sorted by the list box, as it shows them.
    EXPECT_EQ(available,
              (std::vector<std::string>{"Host IP\t%d", "Host\t%h", "Max clients\t%x", "Number of players\t%n",
                                        "Player frags\t%f", "Player ping\t%i", "Player rank\t%r",
                                        "Player rank/Num players\t%r/%n", "Playername\t%p", "Short mapname\t%m",
                                        "Top fragger on server\t%a", "Worst fragger on server\t%z"}));
}

// A part that is no field shows as "User defined" and is stored back; the
// buttons move entries but never the final empty one.
TEST_F(Layout, UserDefinedPartsAndTheMoveButtons)
{
    WriteSetting("ServerTemplate", "%s%h%t%g%ttrailing");
    appData->serverTemplate[0] = '\0';
    // Opened and closed with OK: the parts come back unchanged (the text
    // after the last "%t" is no column).
    RunLayout([&](HWND sheet, HWND) { PropSheet_PressButton(sheet, PSBTN_OK); });
    EXPECT_EQ(Setting("ServerTemplate"), "%s%h%t%g%t");
    RunLayout([&](HWND sheet, HWND page) {
        HWND selected = SelectedBox(page);
        EXPECT_EQ(Entries(selected), (std::vector<std::string>{"User defined\t%s%h", "Game\t%g", ""}));
        // "&>" with nothing selected in Selected does nothing.
        SelectRows(selected, {});
        PickAvailable(page, "Host");
        Click(page, IDC_LAYOUT_ADD);
        EXPECT_EQ(Entries(selected).size(), 3u);
        // The final empty entry selected: appended at the end.
        SelectRows(selected, {2});
        PickAvailable(page, "Host");
        Click(page, IDC_LAYOUT_ADD);
        EXPECT_EQ(Entries(selected), (std::vector<std::string>{"User defined\t%s%h", "Game\t%g", "Host\t%h", ""}));
        // Two taken at once keep their order, before the insertion entry.
        SelectRows(selected, {1});
        PickAvailable(page, "Host IP");
        std::vector<int> rows = SelectedRows(AvailableBox(page));
        ASSERT_EQ(Entries(AvailableBox(page))[rows[0] + 1], "Max clients\t%x");
        SelectRows(AvailableBox(page), {rows[0], rows[0] + 1});
        Click(page, IDC_LAYOUT_ADD);
        EXPECT_EQ(Entries(selected)[1], "Host IP\t%d");
        EXPECT_EQ(Entries(selected)[2], "Max clients\t%x");
        // Down stops before the empty entry; Up stops at the top.
        SelectRows(selected, {4});
        Click(page, IDC_LAYOUT_DOWN);
        EXPECT_EQ(Entries(selected)[4], "Host\t%h");
        SelectRows(selected, {3});
        Click(page, IDC_LAYOUT_DOWN);
        EXPECT_EQ(Entries(selected)[4], "Game\t%g");
        EXPECT_EQ(SelectedRows(selected), std::vector<int>{4});
        SelectRows(selected, {0});
        Click(page, IDC_LAYOUT_UP);
        SelectRows(selected, {5});
        Click(page, IDC_LAYOUT_UP);
        EXPECT_EQ(Entries(selected)[0], "User defined\t%s%h");
        EXPECT_EQ(Entries(selected)[5], "");
        // "&<" takes the user-defined part and Max clients back, not the empty entry.
        SelectRows(selected, {0, 2, 5});
        Click(page, IDC_LAYOUT_REMOVE);
        EXPECT_EQ(Entries(selected), (std::vector<std::string>{"Host IP\t%d", "Host\t%h", "Game\t%g", ""}));
        std::vector<std::string> available = Entries(AvailableBox(page));
        EXPECT_NE(std::find(available.begin(), available.end(), "User defined\t%s%h"), available.end());
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(Setting("ServerTemplate"), "%d%t%h%t%g%t");
    // Taken at the sheet's end: the columns follow.
    EXPECT_STREQ(appData->serverTemplate, "%d%t%h%t%g%t");
    EXPECT_EQ(ColumnCount(Child(ID_SERVERLIST)), 3);
}

TEST_F(Layout, AnEmptiedTemplateIsStoredAndRefilled)
{
    RunLayout([&](HWND sheet, HWND page) {
        SelectRows(SelectedBox(page), {0, 1, 2, 3, 4, 5});
        Click(page, IDC_LAYOUT_REMOVE);
        EXPECT_EQ(Entries(SelectedBox(page)), std::vector<std::string>{""});
        EXPECT_EQ(Entries(AvailableBox(page)).size(), 17u);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(Setting("ServerTemplate"), "");
    EXPECT_EQ(ColumnCount(Child(ID_SERVERLIST)), 0);
    RunLayout([&](HWND sheet, HWND page) {
        EXPECT_EQ(Entries(SelectedBox(page)), std::vector<std::string>{""});
        PickAvailable(page, "Server");
        SelectRows(SelectedBox(page), {0});
        Click(page, IDC_LAYOUT_ADD);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(Setting("ServerTemplate"), "%s%t");
    EXPECT_EQ(ColumnCount(Child(ID_SERVERLIST)), 1);
}

// Switching windows stores the one left, which a Cancel then keeps; the
// player list shows its own template.
TEST_F(Layout, SwitchingWindowsStoresTheTemplateLeft)
{
    RunLayout([&](HWND sheet, HWND page) {
        SelectRows(SelectedBox(page), {0});
        Click(page, IDC_LAYOUT_REMOVE);
        ChooseWindow(page, 0);  // the same window: nothing
        EXPECT_EQ(Setting("ServerTemplate"), "%s%t%y%t%n/%x%t%l%t%g%t");
        ChooseWindow(page, 1);
        EXPECT_EQ(Entries(SelectedBox(page)),
                  (std::vector<std::string>{"Playername\t%p", "Player rank/Num players\t%r/%n", "Player ping\t%i",
                                            "Server\t%s", "Full levelname\t%l", ""}));
        ChooseWindow(page, 0);
        EXPECT_EQ(Entries(SelectedBox(page)).front(), "Server ping\t%y");
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(Setting("ServerTemplate"), "%y%t%n/%x%t%l%t%g%t");
    EXPECT_STREQ(appData->serverTemplate, "%y%t%n/%x%t%l%t%g%t");
    EXPECT_EQ(ColumnCount(Child(ID_SERVERLIST)), 4);
}

// A template longer than 511 characters is read up to 511 and stored cut
// between two columns, never inside a code.
TEST_F(Layout, ALongTemplateIsCutAtAWholeColumn)
{
    std::string parts;
    for (int i = 0; i < 100; ++i)
        parts += "%s%h%t";
    WriteSetting("ServerTemplate", parts.c_str());
    // Left as shown, it stays stored whole.
    RunLayout([&](HWND sheet, HWND) { PropSheet_PressButton(sheet, PSBTN_OK); });
    EXPECT_EQ(Setting("ServerTemplate"), parts);
    RunLayout([&](HWND sheet, HWND page) {
        EXPECT_EQ(Entries(SelectedBox(page)).size(), 86u);  // 85 whole parts and the empty entry
        PickAvailable(page, "Host");
        SelectRows(SelectedBox(page), {0});
        Click(page, IDC_LAYOUT_ADD);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    std::string stored = Setting("ServerTemplate");
    std::string expected = "%h%t";
    for (int i = 0; i < 84; ++i)
        expected += "%s%h%t";
    EXPECT_EQ(stored, expected);
}

TEST_F(Layout, ThresholdGrayoutGridAndBackground)
{
    HWND servers = Child(ID_SERVERLIST);
    int slot = AddServer(Ip("10.0.0.1"), 27910, "", "slow", "dm", 600);
    NMLVCUSTOMDRAW draw = {};
    ASSERT_EQ(InsertCallbackRow(servers, 0, ServerRowParam(slot)), 0);
    draw.nmcd.hdr.hwndFrom = servers;
    draw.nmcd.hdr.idFrom = ID_SERVERLIST;
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.dwItemSpec = 0;
    auto rowGrey = [&] {
        draw.clrText = RGB(0, 0, 0);
        OnListCustomDraw(&draw);
        return draw.clrText == RGB(128, 128, 128);
    };
    const struct {
        const char *typed;
        uint16_t used;
        const char *stored;
    } cases[] = {{"900", 900, "900"}, {"0", 0, "0"}, {"500", 500, "500"},
                 {"70000", 65535, "70000"}, {"abc", 65535, "70000"}, {"-1", 65535, "70000"}};
    for (const auto &c : cases) {
        RunLayout([&](HWND sheet, HWND page) {
            SetChecked(page, IDC_LAYOUT_GRAYOUT, true);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_LAYOUT_THRESHOLD)));
            SetText(page, IDC_LAYOUT_THRESHOLD, c.typed);
            PropSheet_PressButton(sheet, PSBTN_OK);
        });
        EXPECT_EQ(appData->pingThreshold, c.used) << c.typed;
        EXPECT_EQ(Setting("PingThreshold"), c.stored) << c.typed;
    }
    EXPECT_EQ(Setting("Grayout"), "Y");

    appData->pingThreshold = 500;
    RunLayout([&](HWND sheet, HWND page) {
        int low = -1, high = -1;
        SendDlgItemMessageA(page, IDC_LAYOUT_THRESHOLDSPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                            reinterpret_cast<LPARAM>(&high));
        EXPECT_EQ(low, 0);
        EXPECT_EQ(high, 500);
        EXPECT_TRUE(rowGrey());
        // Grayout off: the rows at once, before OK.
        Click(page, IDC_LAYOUT_GRAYOUT);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_LAYOUT_THRESHOLD)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_LAYOUT_THRESHOLDSPIN)));
        EXPECT_FALSE(rowGrey());
        Click(page, IDC_LAYOUT_GRAYOUT);
        EXPECT_TRUE(rowGrey());
        Click(page, IDC_LAYOUT_GRAYOUT);
        // Grid lines and the background at once too, stored only by OK.
        Click(page, IDC_LAYOUT_GRID);
        EXPECT_NE(ListView_GetExtendedListViewStyle(servers) & LVS_EX_GRIDLINES, 0u);
        EXPECT_NE(ListView_GetExtendedListViewStyle(Child(ID_PLAYERLIST)) & LVS_EX_GRIDLINES, 0u);
        EXPECT_NE(ListView_GetExtendedListViewStyle(servers) & LVS_EX_FULLROWSELECT, 0u);
        Click(page, IDC_LAYOUT_BKIMG);
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(appData->flags & FlagGrayout, 0u);  // at once, kept after Cancel
    EXPECT_EQ(Setting("Grid"), "N");
    EXPECT_EQ(Setting("BkImg"), "N");
    EXPECT_NE(ListView_GetExtendedListViewStyle(servers) & LVS_EX_GRIDLINES, 0u);
    RunLayout([&](HWND sheet, HWND page) {
        EXPECT_FALSE(IsChecked(page, IDC_LAYOUT_GRID));
        Click(page, IDC_LAYOUT_GRID);
        Click(page, IDC_LAYOUT_BKIMG);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(Setting("Grid"), "Y");
    EXPECT_EQ(Setting("BkImg"), "Y");
    EXPECT_EQ(Setting("Grayout"), "N");
}

// The font dialog's choice is stored at once, Cancel or not, and set on
// the list without rebuilding its columns.
TEST_F(Layout, AChosenFontIsStoredAndApplied)
{
    HWND players = Child(ID_PLAYERLIST);
    HFONT before = reinterpret_cast<HFONT>(SendMessageA(players, WM_GETFONT, 0, 0));
    int columns = ColumnCount(players);
    bool fontDialog = false;
    RunLayout([&](HWND sheet, HWND page) {
        ChooseWindow(page, 1);
        RunInDialog("Font", [&](HWND dialog) {
            fontDialog = true;
            SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        Click(page, IDC_LAYOUT_FONT);
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    });
    ASSERT_TRUE(fontDialog);
    LOGFONTA font;
    EXPECT_EQ(ReadSettingBytes("FontP", &font, sizeof font), 0);
    // Stored as the 60 bytes of the record, in binary.
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string key = std::string("Software\\Holmdrey\\SkovaltTest\\") + test->test_suite_name() + "." + test->name();
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "FontP", RRF_RT_ANY, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 60u);
    EXPECT_NE(font.lfFaceName[0], '\0');
    EXPECT_EQ(Setting("FontS"), "<missing>");
    HFONT after = reinterpret_cast<HFONT>(SendMessageA(players, WM_GETFONT, 0, 0));
    EXPECT_NE(after, before);
    LOGFONTA used = {};
    GetObjectA(after, sizeof used, &used);
    EXPECT_STREQ(used.lfFaceName, font.lfFaceName);
    EXPECT_EQ(ColumnCount(players), columns);
}

}  // namespace
