// The main window procedure and its handlers: creation of the children,
// layout, the start-up continuation, notifications and the exit sequence.
#include "ui/mainwindow.h"

#include <commctrl.h>
#include <stdlib.h>

#include <initializer_list>

#include "base/report.h"
#include "net/web.h"
#include "refresh/refresh.h"
#include "resources/resource.h"
#include "settings/appdata.h"
#include "settings/settings.h"
#include "ui/commands.h"
#include "ui/detailsdialog.h"
#include "ui/displaylist.h"
#include "ui/geometry.h"
#include "ui/busywait.h"
#include "ui/helpers.h"
#include "ui/rows.h"
#include "ui/launchgame.h"
#include "ui/listview.h"
#include "ui/menus.h"
#include "ui/messages.h"
#include "ui/placement.h"
#include "ui/playersearch.h"
#include "ui/refreshview.h"
#include "ui/rowdrag.h"
#include "ui/statusbar.h"
#include "ui/toolbar.h"
#include "ui/webcommands.h"

namespace {

// Image lists the main window made; destroyed with it.
HIMAGELIST toolbarImages;
HIMAGELIST listImages;
// True while a menu of the main window is open (between WM_ENTERMENULOOP
// and WM_EXITMENULOOP); a popup initialised outside it is being looked at
// by an accelerator key.
bool inMenuLoop;
// The DPI the main window's children were last made for (0: none yet).
int appliedDpi;

HWND Child(HWND mainWindow, int id)
{
    return GetDlgItem(mainWindow, id);
}

HWND CreateList(HWND mainWindow, int id, DWORD extraStyle)
{
    RECT client;
    GetClientRect(mainWindow, &client);
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS |
                                    extraStyle,
                                0, 35, client.right, 100, mainWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                appData->instance, nullptr);
    if (list && listImages)
        SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(listImages));
    return list;
}

// Opens the refresh animation drawn for the window's DPI, resting on the
// frame a finished refresh shows; a beep when it cannot.
void OpenAnimation(HWND window, int dpi)
{
    HWND animation = Child(window, ID_ANIMATION);
    if (!animation ||
        !SendMessageA(animation, ACM_OPENA, reinterpret_cast<WPARAM>(appData->instance),
                      reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(ArtworkResource(IDR_REFRESHAVI, dpi))))) {
        MessageBeep(MB_OK);
        return;
    }
    SendMessageA(animation, ACM_PLAY, 1, MAKELPARAM(7, 7));
}

// The list images drawn for the window's DPI, on both lists; the old list
// goes.
void SetListImages(HWND window, int dpi)
{
    int bitmap = ArtworkResource(IDB_LISTIMAGES, dpi);
    HIMAGELIST images = ImageList_LoadImageA(appData->instance, MAKEINTRESOURCEA(bitmap),
                                             ArtworkHeight(appData->instance, bitmap, 16), 0, RGB(0, 0, 255),
                                             IMAGE_BITMAP, LR_CREATEDIBSECTION);
    for (int id : {ID_SERVERLIST, ID_PLAYERLIST}) {
        if (HWND list = Child(window, id))
            SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    }
    if (listImages)
        ImageList_Destroy(listImages);
    listImages = images;
}

// A list's column widths from one DPI to another.
void RescaleColumns(HWND list, int from, int to)
{
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int i = 0; i < columns; ++i) {
        int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
        SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i),
                     MAKELPARAM(ScaleToDpi(UnscaleFromDpi(width, from), to), 0));
    }
}

LRESULT OnCreate(HWND window)
{
    appData->mainWindow = window;

    HWND statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window,
                                     reinterpret_cast<HMENU>(ID_STATUSBAR), appData->instance, nullptr);
    int edges[4] = {20, 40, 140, 180};
    SendMessageA(statusBar, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));

    CreateMainToolbar(window, &toolbarImages);
    appliedDpi = 0;

    HWND servers = CreateList(window, ID_SERVERLIST, LVS_OWNERDATA);
    MakeVirtualRows(servers);
    HWND players = CreateList(window, ID_PLAYERLIST, LVS_SINGLESEL);
    bool background = ReadFlag("BkImg");
    DWORD extended = LVS_EX_FULLROWSELECT | (ReadFlag("Grid") ? LVS_EX_GRIDLINES : 0);
    for (HWND list : {servers, players}) {
        if (!list)
            continue;
        if (background)
            SetListBackground(list, true);
        SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
        ApplyListFont(list);
    }

    RECT client;
    GetClientRect(window, &client);
    // "Split" is in 96-DPI units, as every stored size.
    int dpi = WindowDpi(window);
    int top = ScaleToDpi(static_cast<int>(ReadNumberSetting("Split")), dpi);
    if (top == 0)
        top = client.bottom * 2 / 3;
    int edge = ScaleToDpi(kSplitterEdge, dpi);
    CreateWindowExA(0, "ClassHSplit", "", WS_CHILD | WS_VISIBLE, -edge, top, client.right + 2 * edge,
                    ScaleToDpi(kSplitterHeight, dpi), window, reinterpret_cast<HMENU>(ID_SPLITTER), appData->instance,
                    nullptr);

    CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | WS_VISIBLE | ACS_AUTOPLAY, 0, 0, 0, 0, window,
                    reinterpret_cast<HMENU>(ID_ANIMATION), appData->instance, nullptr);

    ApplyWindowDpi(window);
    // Paste follows what the clipboard holds, whoever changes it.
    AddClipboardFormatListener(window);
    PostMessageA(window, UM_STARTUP, 0, 0);
    return 0;
}

void OnDpiChanged(HWND window, const RECT *suggested)
{
    SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyWindowDpi(window);
}

void OnDestroy(HWND window)
{
    RemoveClipboardFormatListener(window);
    ForgetDetailsRefresh();
    EndWebFetches();
    if (toolbarImages)
        ImageList_Destroy(toolbarImages);
    if (listImages)
        ImageList_Destroy(listImages);
    toolbarImages = listImages = nullptr;
}

void OnStartup(HWND window)
{
    UpdateCommandStates(window);
    HWND servers = Child(window, ID_SERVERLIST);
    bool loaded = LoadServerList(window) == 0;
    ShowWindow(servers, SW_SHOW);
    ShowWindow(Child(window, ID_PLAYERLIST), SW_SHOW);
    // The version check runs beside the start-up action; a download of a
    // newer version accepted later closes the program the ordinary way.
    CheckVersionAtStartup(window);
    if (!loaded)
        return;
    char startup[2];
    ReadSetting("Startup", startup, sizeof startup);
    switch (startup[0]) {
    case 'Q':
        OnCmdFindPlayer(window);
        break;
    case 'S':
        StartRefresh(window, 0);
        break;
    case 'I':
        SearchOnlineUsers(window);
        break;
    case 'L':
        RepeatLastSearch(window);
        break;
    default:
        break;
    }
    SelectRow(servers, 0);
}

void OnSize(HWND window, WPARAM wParam, LPARAM lParam)
{
    LayoutChildren(window);
    HWND statusBar = Child(window, ID_STATUSBAR);
    SendMessageA(statusBar, WM_SIZE, wParam, lParam);
    SetStatusParts(statusBar, LOWORD(lParam));
}

const char *ToolTipText(UINT command)
{
    static char text[81];
    text[0] = '\0';
    LoadStringA(appData->instance, command, text, sizeof text);
    return text;
}

LRESULT OnNotify(HWND window, NMHDR *header)
{
    switch (header->code) {
    case TTN_GETDISPINFOA: {
        auto *info = reinterpret_cast<NMTTDISPINFOA *>(header);
        info->lpszText = const_cast<char *>(ToolTipText(static_cast<UINT>(header->idFrom)));
        return 0;
    }
    case TTN_GETDISPINFOW: {
        static wchar_t wide[81];
        auto *info = reinterpret_cast<NMTTDISPINFOW *>(header);
        MultiByteToWideChar(CP_ACP, 0, ToolTipText(static_cast<UINT>(header->idFrom)), -1, wide, 81);
        info->lpszText = wide;
        return 0;
    }
    default:
        break;
    }
    if (header->idFrom != ID_SERVERLIST && header->idFrom != ID_PLAYERLIST)
        return 0;
    switch (header->code) {
    case LVN_DELETEALLITEMS:
        return TRUE;  // no LVN_DELETEITEM per row: rows own nothing
    case LVN_GETDISPINFOA:
        OnListDisplayText(reinterpret_cast<NMLVDISPINFOA *>(header));
        return 0;
    case LVN_COLUMNCLICK:
        OnListColumnClick(window, reinterpret_cast<NMLISTVIEW *>(header));
        return 0;
    case LVN_BEGINDRAG:
        OnListBeginDrag(window, reinterpret_cast<NMLISTVIEW *>(header));
        return 0;
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW:
        return OnListFindItem(reinterpret_cast<NMLVFINDITEMA *>(header));
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
        if (!MovingRowMarks())
            UpdateCommandStates(window);
        return 0;
    case NM_SETFOCUS:
        UpdateCommandStates(window);
        return 0;
    case NM_CUSTOMDRAW:
        return OnListCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW *>(header));
    case NM_DBLCLK:
        SendMessageA(window, WM_COMMAND, CMD_SERVERDETAILS, 0);
        return 0;
    default:
        return 0;
    }
}

void OnContextMenu(HWND window, LPARAM lParam)
{
    HMENU menu = LoadMenuA(appData->instance, MAKEINTRESOURCEA(IDM_CONTEXT));
    if (!menu)
        return;
    POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (lParam == -1)
        GetCursorPos(&at);
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, window, nullptr);
    DestroyMenu(menu);
}

// Saves a changed list before the program ends. False when the window is
// to stay open: Cancel to the save question, or No to quitting without a
// list that could not be saved (the changes would be lost).
bool SaveBeforeExit(HWND mainWindow)
{
    if (!(appData->flags & FlagModified))
        return true;
    if (ReadFlag("AskSave")) {
        int answer = ReportMessage(mainWindow, MB_YESNOCANCEL | MB_ICONQUESTION,
                                   "Do you want to save the modified serverlist ?");
        if (answer == IDCANCEL)
            return false;
        if (answer == IDNO)
            return true;
    }
    return SaveServerList(mainWindow) == 0 ||
           ReportMessage(mainWindow, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2,
                         "Quit without saving the server list?") == IDYES;
}

// Windows ends the session and waits for no answer: what can be saved is
// saved without a question or a message, and the program goes.
void OnEndSession(HWND mainWindow)
{
    SetReportsQuiet(true);
    StoreColumnWidths(mainWindow);
    if (appData->flags & FlagModified)
        SaveServerList(mainWindow);
    SaveWindowPlacement(mainWindow);
    SetReportsQuiet(false);
}

bool RefuseWhileRefreshing(HWND window)
{
    if (!RefreshRunning())
        return false;
    ReportMessage(window, MB_ICONINFORMATION, "Cannot quit while refreshing servers.");
    return true;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    case WM_SIZE:
        OnSize(window, wParam, lParam);
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(window, reinterpret_cast<const RECT *>(lParam));
        return 0;
    case WM_GETMINMAXINFO:
        SetMainMinimumSize(reinterpret_cast<MINMAXINFO *>(lParam));
        return 0;
    case WM_SETFOCUS:
        SetFocus(Child(window, ID_SERVERLIST));
        return 0;
    case WM_CLOSE:
        OnClose(window);
        return 0;
    case WM_ACTIVATE:
        // Back from the game: the messenger the launch closed comes back.
        if (LOWORD(wParam) != WA_INACTIVE && appData && (appData->flags & FlagUloClosed)) {
            appData->flags &= ~FlagUloClosed;
            ReopenMessenger(window);
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SETCURSOR:
        // The wait cursor while the launch waits for the messenger to close,
        // and over the window while the details dialog's server is refreshed.
        if (BusyWaiting() || (DetailsRefreshPending() && LOWORD(lParam) == HTCLIENT)) {
            SetCursor(LoadCursorA(nullptr, IDC_WAIT));
            return TRUE;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_QUERYENDSESSION:
        return RefuseWhileRefreshing(window) ? FALSE : TRUE;
    case WM_ENDSESSION:
        if (wParam)
            OnEndSession(window);
        return 0;
    case WM_DRAWITEM:
        if (wParam == ID_STATUSBAR)
            DrawProgress(reinterpret_cast<DRAWITEMSTRUCT *>(lParam));
        return TRUE;
    case WM_NOTIFY:
        return OnNotify(window, reinterpret_cast<NMHDR *>(lParam));
    case WM_CONTEXTMENU:
        OnContextMenu(window, lParam);
        return 0;
    case WM_COMMAND:
        DispatchCommand(window, LOWORD(wParam));
        return 0;
    case WM_ENTERMENULOOP:
        inMenuLoop = true;
        return 0;
    case WM_EXITMENULOOP:
        inMenuLoop = false;
        return 0;
    case WM_INITMENUPOPUP:
        UpdateMenuStates(window, reinterpret_cast<HMENU>(wParam), inMenuLoop);
        return 0;
    case WM_CLIPBOARDUPDATE:
        UpdateCommandStates(window);
        return 0;
    case WM_MENUSELECT:
        ShowMenuHelp(window, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
        return 0;
    case WM_MOUSEMOVE:
        OnDragMouseMove(window, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return 0;
    case WM_LBUTTONUP:
        OnDragButtonUp(window, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return 0;
    case WM_MBUTTONDOWN:
        SendMessageA(window, WM_COMMAND, CMD_LAUNCH, 0);
        return 0;
    case UM_STARTUP:
        OnStartup(window);
        return 0;
    case UM_SPLITMOVED:
        OnSplitMoved(window);
        return 0;
    case UM_WEBFETCH:
        // A reload that ended gives the commands it greyed back.
        OnWebFetchMessage(window, wParam, lParam);
        UpdateCommandStates(window);
        return 0;
    case UM_DETAILSREFRESHED:
        return OnDetailsRefreshed(window, lParam);
    case UM_REFRESHBEGIN:
    case UM_REFRESHEND:
    case UM_REFRESHWINDUP:
    case UM_REFRESHENDED:
        return OnRefreshMessage(window, message, wParam, lParam);
    case WM_TIMER:
        if (wParam == kRefreshRepaintTimer) {
            RepaintRefreshChanges(window);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

bool RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SKOVALT));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDM_MAINMENU);
    wc.lpszClassName = "Skovalt";
    return RegisterClassExA(&wc) != 0;
}

void HandleLoopMessage(HWND mainWindow, HACCEL accelerators, MSG *msg)
{
    if (appData && appData->detailsDialog && IsDialogMessageA(appData->detailsDialog, msg))
        return;
    if (accelerators && TranslateAcceleratorA(mainWindow, accelerators, msg))
        return;
    TranslateMessage(msg);
    DispatchMessageA(msg);
}

int RunMessageLoop(HWND mainWindow, HACCEL accelerators)
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        HandleLoopMessage(mainWindow, accelerators, &msg);
    return static_cast<int>(msg.wParam);
}

void ApplyWindowDpi(HWND mainWindow)
{
    int dpi = WindowDpi(mainWindow);
    int before = appliedDpi;
    appliedDpi = dpi;
    HWND toolbar = Child(mainWindow, ID_TOOLBAR);
    if (toolbar) {
        SetToolbarDpi(toolbar, &toolbarImages);
        RECT t;
        ChildRect(toolbar, &t);
        MoveWindow(toolbar, 0, 0, t.right - t.left, ScaleToDpi(kToolbarHeight, dpi), TRUE);
    }
    SetListImages(mainWindow, dpi);
    for (int id : {ID_SERVERLIST, ID_PLAYERLIST}) {
        HWND list = Child(mainWindow, id);
        if (!list || !before)
            continue;  // made at this DPI with the window
        if (before != dpi)
            RescaleColumns(list, before, dpi);
        ReplaceListFont(list);
        InvalidateRect(list, nullptr, TRUE);
    }
    HWND splitter = Child(mainWindow, ID_SPLITTER);
    if (splitter && before && before != dpi) {
        RECT s;
        ChildRect(splitter, &s);
        int top = ScaleToDpi(UnscaleFromDpi(s.top, before), dpi);
        MoveWindow(splitter, s.left, top, s.right - s.left, ScaleToDpi(kSplitterHeight, dpi), FALSE);
    }
    OpenAnimation(mainWindow, dpi);
    RECT client;
    GetClientRect(mainWindow, &client);
    HWND statusBar = Child(mainWindow, ID_STATUSBAR);
    if (statusBar) {
        SendMessageA(statusBar, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
        SetStatusParts(statusBar, client.right);
    }
    LayoutChildren(mainWindow);
}

void LayoutChildren(HWND mainWindow)
{
    RECT client;
    GetClientRect(mainWindow, &client);
    if (client.bottom == 0)
        return;
    HWND toolbar = Child(mainWindow, ID_TOOLBAR);
    HWND splitter = Child(mainWindow, ID_SPLITTER);
    HWND statusBar = Child(mainWindow, ID_STATUSBAR);
    if (!toolbar || !splitter || !statusBar)
        return;
    RECT t, s, h;
    ChildRect(toolbar, &t);
    ChildRect(splitter, &s);
    GetWindowRect(statusBar, &h);
    int dpi = WindowDpi(mainWindow);
    int top = t.bottom;
    int width = client.right;
    int statusHeight = h.bottom - h.top;
    int bottom = client.bottom - statusHeight;
    int splitHeight = ScaleToDpi(kSplitterHeight, dpi);
    int edge = ScaleToDpi(kSplitterEdge, dpi);
    int animationWidth = ScaleToDpi(kAnimationWidth, dpi);
    s.bottom = s.top + splitHeight;
    if (s.top < top || s.bottom > bottom) {
        s.bottom = bottom;
        s.top = bottom - splitHeight;
    }
    MoveWindow(Child(mainWindow, ID_PLAYERLIST), 0, s.bottom, width, bottom - s.bottom, TRUE);
    MoveWindow(Child(mainWindow, ID_SERVERLIST), 0, top, width, s.top - top, TRUE);
    MoveWindow(toolbar, 0, 0, width - animationWidth, top, TRUE);
    MoveWindow(Child(mainWindow, ID_ANIMATION), width - animationWidth, 0, animationWidth, top, TRUE);
    MoveWindow(splitter, -edge, s.top, width + 2 * edge, splitHeight, TRUE);
}

void OnSplitMoved(HWND mainWindow)
{
    RECT client, s, h;
    GetClientRect(mainWindow, &client);
    HWND splitter = Child(mainWindow, ID_SPLITTER);
    ChildRect(splitter, &s);
    ChildRect(Child(mainWindow, ID_STATUSBAR), &h);
    int width = client.right;
    int oldTop = s.top;
    int dpi = WindowDpi(mainWindow);
    if (s.bottom > h.top) {
        int splitHeight = ScaleToDpi(kSplitterHeight, dpi);
        int edge = ScaleToDpi(kSplitterEdge, dpi);
        s.bottom = h.top;
        s.top = s.bottom - splitHeight;
        MoveWindow(splitter, -edge, s.top, width + 2 * edge, splitHeight, TRUE);
    }
    HWND players = Child(mainWindow, ID_PLAYERLIST);
    RECT p, t;
    ChildRect(players, &p);
    ChildRect(Child(mainWindow, ID_TOOLBAR), &t);
    MoveWindow(Child(mainWindow, ID_SERVERLIST), 0, t.bottom, width, oldTop - t.bottom, TRUE);
    MoveWindow(players, 0, s.bottom, width, p.bottom - s.bottom, TRUE);
}

bool OnClose(HWND mainWindow)
{
    if (RefuseWhileRefreshing(mainWindow))
        return false;
    // A download is cancelled, its files left as they were.
    EndWebFetches();
    StoreColumnWidths(mainWindow);
    if (!SaveBeforeExit(mainWindow))
        return false;
    CancelLaunch(mainWindow);  // a launch waiting for the messenger starts no game
    StatusPrint(Child(mainWindow, ID_STATUSBAR), "Cleaning up...");
    DeleteListFont(Child(mainWindow, ID_SERVERLIST));
    DeleteListFont(Child(mainWindow, ID_PLAYERLIST));
    SaveWindowPlacement(mainWindow);
    PostQuitMessage(0);
    return true;
}
