// The about box: its version line, the picture drawn with its palette, the
// feedback mail through a fake mail library and the picture offered once.
#include "window_support.h"
#include "sheet_support.h"

#include <mapi.h>

#include "fakemapi.h"
#include "base/shell.h"
#include "net/feedbackmail.h"
#include "net/version.h"
#include "resources/resource.h"
#include "ui/aboutbox.h"

namespace {

std::vector<std::string> opened;

bool RecordOpen(const char *target, const char *, int)
{
    opened.push_back(target);
    return true;
}

class About : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        OpenMainWindow();
        shownMessages.clear();  // no Server.dat here
        opened.clear();
        SetShellHookForTests(RecordOpen);
        char exe[MAX_PATH];
        GetModuleFileNameA(nullptr, exe, sizeof exe);
        fakePath = exe;
        fakePath = fakePath.substr(0, fakePath.find_last_of('\\') + 1) + "FakeMapi32.dll";
        fake = LoadLibraryA(fakePath.c_str());  // held, so its record outlives each send
        ASSERT_NE(fake, nullptr) << fakePath;
        setResult = reinterpret_cast<FakeMapiSetResultFn>(
            reinterpret_cast<void *>(GetProcAddress(fake, "FakeMapiSetResult")));
        lastCall = reinterpret_cast<FakeMapiLastCallFn>(
            reinterpret_cast<void *>(GetProcAddress(fake, "FakeMapiLastCall")));
        ASSERT_TRUE(setResult && lastCall);
        SetMailLibraryForTests(fakePath.c_str());
    }
    void TearDown() override
    {
        SetMailLibraryForTests(nullptr);
        SetShellHookForTests(nullptr);
        SetAboutVersionForTests(kNoVersion);
        if (fake)
            FreeLibrary(fake);
        MainWindowTest::TearDown();
    }
    // Opens the about box through its command and presses a button in it.
    std::string RunAbout(int button)
    {
        std::string version;
        RunInDialog("Skovalt", [&](HWND dialog) {
            version = Text(dialog, IDC_ABOUT_VERSION);
            if (button != IDOK)
                Click(dialog, button);
            Click(dialog, IDOK);
        });
        SendMessageA(main, WM_COMMAND, CMD_ABOUT, 0);
        return version;
    }
    std::string fakePath;
    HMODULE fake = nullptr;
    FakeMapiSetResultFn setResult = nullptr;
    FakeMapiLastCallFn lastCall = nullptr;
};

TEST_F(About, TheBoxShowsTheVersionOfTheResource)
{
    EXPECT_EQ(RunAbout(IDOK), "Skovalt 4.7.2");
    SetAboutVersionForTests(PackVersion(5, 0, 1));
    EXPECT_EQ(RunAbout(IDC_ABOUT_PICTURE), "Skovalt 5.0.1");  // the picture's sound, quietly
    char text[32];
    AboutVersionText(0, text, sizeof text);
    EXPECT_STREQ(text, "Skovalt");
    EXPECT_TRUE(shownMessages.empty());
}

int CALLBACK RecordType(HDC, HANDLETABLE *, const ENHMETARECORD *record, int, LPARAM types)
{
    reinterpret_cast<std::vector<DWORD> *>(types)->push_back(record->iType);
    return 1;
}

// The 8-bit picture keeps its colours through its own palette: on a
// palette display the picture is copied while its palette is selected
// into the target (a metafile shows the calls), and let go after.
TEST_F(About, ThePictureIsDrawnWithItsColours)
{
    HDC metafile = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(DrawBitmapResource(IDB_PORTRAIT, metafile, 0, 0, 96, 112), 0);
    HENHMETAFILE recorded = CloseEnhMetaFile(metafile);
    std::vector<DWORD> types, drawing;
    EnumEnhMetaFile(nullptr, recorded, RecordType, &types, nullptr);
    DeleteEnhMetaFile(recorded);
    for (DWORD type : types) {
        if (type == EMR_CREATEPALETTE || type == EMR_SELECTPALETTE || type == EMR_BITBLT)
            drawing.push_back(type);
    }
    EXPECT_EQ(drawing, (std::vector<DWORD>{EMR_CREATEPALETTE, EMR_SELECTPALETTE, EMR_BITBLT, EMR_SELECTPALETTE}));

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 96;
    info.bmiHeader.biHeight = -112;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, target);
    EXPECT_EQ(DrawBitmapResource(IDB_PORTRAIT, dc, 0, 0, 96, 112), 0);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(90, 140, 150));      // the sky's top row
    EXPECT_EQ(GetPixel(dc, 38, 56), RGB(236, 188, 150));   // the face
    EXPECT_EQ(GetPixel(dc, 48, 100), RGB(40, 110, 70));    // the shirt
    EXPECT_EQ(DrawBitmapResource(999, dc, 0, 0, 96, 112), 1);
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
}

TEST_F(About, FeedbackMailResultsAndThePictureOfferedOnce)
{
    // No mail library, or one without MAPISendMail.
    bool sent = true;
    SetMailLibraryForTests("NoSuchMapi.dll");
    EXPECT_EQ(SendFeedbackMail(main, &sent), 1);
    EXPECT_FALSE(sent);
    SetMailLibraryForTests("kernel32.dll");
    EXPECT_EQ(SendFeedbackMail(main, &sent), 1);
    EXPECT_EQ(shownMessages, (std::vector<std::string>{"Error initializing MAPI DLL", "Error initializing MAPI DLL"}));
    SetMailLibraryForTests(fakePath.c_str());

    // The mail client fails: its error, nothing offered.
    for (unsigned long error : {2ul /* failure */, 3ul /* login */, 26ul /* not supported */}) {
        shownMessages.clear();
        setResult(error);
        EXPECT_EQ(SendFeedbackMail(main, &sent), 1);
        EXPECT_EQ(shownMessages, std::vector<std::string>{"MAPISendMail returned error...."});
    }
    // Cancelled by the user: silent.
    shownMessages.clear();
    setResult(MAPI_USER_ABORT);
    EXPECT_EQ(SendFeedbackMail(main, &sent), 0);
    EXPECT_FALSE(sent);
    EXPECT_TRUE(shownMessages.empty());
    const FakeMapiCall *call = lastCall();
    EXPECT_EQ(call->calls, 1);
    EXPECT_EQ(call->session, 0u);
    EXPECT_EQ(call->uiParam, reinterpret_cast<ULONG_PTR>(main));
    EXPECT_EQ(call->flags, static_cast<unsigned long>(MAPI_LOGON_UI | MAPI_DIALOG));
    EXPECT_STREQ(call->subject, "Skovalt");
    EXPECT_FALSE(call->noteText);
    EXPECT_TRUE(call->originatorZero);
    EXPECT_EQ(call->recipients, 1u);
    EXPECT_EQ(call->files, 0u);
    EXPECT_EQ(call->recipientClass, static_cast<unsigned long>(MAPI_TO));
    EXPECT_STREQ(call->recipientName, "Holmdrey");
    EXPECT_EQ(std::string(call->recipientAddress), std::string("SMTP:") + AuthorMailAddress);
    EXPECT_FALSE(Exists("Mireva.jpg"));

    // Sent from the about box: the picture offered; "No" writes nothing.
    setResult(SUCCESS_SUCCESS);
    messageAnswers = {IDNO};
    RunAbout(IDC_ABOUT_MAIL);
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Thanks for your feedback !\nWould you like to have my picture ?"});
    EXPECT_FALSE(Exists("Mireva.jpg"));

    // A file that cannot be written leaves nothing behind.
    CreateDirectoryA(FilePath("Mireva.jpg.tmp").c_str(), nullptr);
    messageAnswers = {IDYES};
    shownMessages.clear();
    OfferPicture(main);
    EXPECT_FALSE(Exists("Mireva.jpg"));
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(shownMessages.size(), 2u);
    RemoveDirectoryA(FilePath("Mireva.jpg.tmp").c_str());

    // "Yes": the whole picture written and opened, then never asked again.
    messageAnswers = {IDYES};
    shownMessages.clear();
    RunAbout(IDC_ABOUT_MAIL);
    EXPECT_EQ(shownMessages.size(), 1u);
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_PORTRAITJPEG), MAKEINTRESOURCEA(10));
    ASSERT_NE(found, nullptr);
    const unsigned char *jpeg = static_cast<const unsigned char *>(LockResource(LoadResource(nullptr, found)));
    EXPECT_EQ(ReadFile("Mireva.jpg"), Bytes(jpeg, jpeg + SizeofResource(nullptr, found)));
    EXPECT_FALSE(Exists("Mireva.jpg.tmp"));
    EXPECT_EQ(opened, std::vector<std::string>{FilePath("Mireva.jpg")});

    WriteFile("Mireva.jpg", {'m', 'i', 'n', 'e'});
    shownMessages.clear();
    RunAbout(IDC_ABOUT_MAIL);
    EXPECT_TRUE(shownMessages.empty());
    EXPECT_EQ(ReadFile("Mireva.jpg"), (Bytes{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(lastCall()->calls, 1);
}

}  // namespace
