// UloStub's data: what it answers with, read from a text file and from
// command-line lines of the same form (see README.md).
#ifndef ULOSTUB_STUBCONFIG_H
#define ULOSTUB_STUBCONFIG_H

#include <string>
#include <vector>

struct StubUser {
    int uin;
    int number1, number2, number3, number4, number5;
    std::string nickname, text1, text2, text3, text4, text5, text6, text7, text8;
    unsigned char flag;
};

struct StubOnline {
    int uin;
    int listValue;
};

struct StubGroup {
    std::string name;
    std::vector<int> members;
};

struct StubFirewall {
    unsigned char firstFlag, secondFlag;
    short kind;
    int number;
    unsigned char extra;
    std::string text;
};

// Data of a reply or a notification, given explicitly.
enum StubDataKind {
    StubDataNone,     // send no WM_COPYDATA at all
    StubDataEmpty,    // send WM_COPYDATA without data
    StubDataBytes     // send these bytes
};

struct StubData {
    StubDataKind kind;
    std::vector<unsigned char> bytes;
};

// A reply given explicitly for one request code (code -1: every code).
struct StubOverride {
    int code;
    StubData data;
};

// A notification sent to each new subscriber that asked for its code.
struct StubNotice {
    int code;
    StubData data;
};

struct StubConfig {
    int version;
    int docking;
    int placement;
    int listType;
    int ownerUin;
    std::vector<StubUser> users;
    std::vector<StubOnline> online;
    std::vector<StubGroup> groups;
    StubFirewall firewall;
    unsigned slowMs;          // answer each request this late
    bool showOwnerWindow;
    std::vector<StubOverride> overrides;
    std::vector<StubNotice> onSubscribe;
};

// The data a fresh stand-in answers with before any line changes it.
StubConfig DefaultStubConfig();

// Applies one line; false with *error set when the line is not understood.
// Empty lines and lines starting with '#' are ignored.
bool ApplyStubLine(StubConfig *config, const std::string &line, std::string *error);

// Applies every line of a file.
bool LoadStubFile(StubConfig *config, const char *path, std::string *error);

// Parses "none", "empty", "int N", "text S" (sent with its NUL), "rawtext S"
// (without the NUL) or "hex HH HH..." into data.
bool ParseStubData(const std::string &text, StubData *data, std::string *error);

// The user with this number, or null.
const StubUser *FindStubUser(const StubConfig &config, int uin);

#endif
