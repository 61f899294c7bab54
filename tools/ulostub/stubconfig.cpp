// Reading UloStub's configuration lines.
#include "stubconfig.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>

StubConfig DefaultStubConfig()
{
    StubConfig config = StubConfig();
    config.version = 65537;
    config.ownerUin = 100000;
    StubUser owner = StubUser();
    owner.uin = config.ownerUin;
    owner.nickname = "UloStub";
    config.users.push_back(owner);
    return config;
}

const StubUser *FindStubUser(const StubConfig &config, int uin)
{
    for (const StubUser &user : config.users) {
        if (user.uin == uin)
            return &user;
    }
    return nullptr;
}

static StubUser *UserFor(StubConfig *config, int uin)
{
    for (StubUser &user : config->users) {
        if (user.uin == uin)
            return &user;
    }
    StubUser user = StubUser();
    user.uin = uin;
    config->users.push_back(user);
    return &config->users.back();
}

// Splits off the first word of *rest; the rest keeps what follows its single
// separating space (texts may hold further spaces).
static std::string NextWord(std::string *rest)
{
    size_t start = 0;
    while (start < rest->size() && (*rest)[start] == ' ')
        start++;
    size_t end = rest->find(' ', start);
    std::string word = rest->substr(start, end == std::string::npos ? std::string::npos : end - start);
    *rest = end == std::string::npos ? std::string() : rest->substr(end + 1);
    return word;
}

static bool ParseInt(const std::string &word, int *value)
{
    if (word.empty())
        return false;
    char *end = nullptr;
    long long parsed = strtoll(word.c_str(), &end, 0);
    if (*end != 0)
        return false;
    *value = (int)parsed;
    return true;
}

static bool ParseHex(const std::string &text, std::vector<unsigned char> *bytes)
{
    std::string digits;
    for (char c : text) {
        if (isxdigit((unsigned char)c))
            digits += c;
        else if (c != ' ' && c != ',')
            return false;
    }
    if (digits.size() % 2)
        return false;
    for (size_t i = 0; i < digits.size(); i += 2)
        bytes->push_back((unsigned char)strtoul(digits.substr(i, 2).c_str(), nullptr, 16));
    return true;
}

bool ParseStubData(const std::string &text, StubData *data, std::string *error)
{
    std::string rest = text;
    std::string kind = NextWord(&rest);
    data->bytes.clear();
    data->kind = StubDataBytes;
    if (kind == "none") {
        data->kind = StubDataNone;
    } else if (kind == "empty") {
        data->kind = StubDataEmpty;
    } else if (kind == "int") {
        int value;
        if (!ParseInt(NextWord(&rest), &value)) {
            *error = "int needs a number";
            return false;
        }
        for (int i = 0; i < 4; i++)
            data->bytes.push_back((unsigned char)((unsigned)value >> (8 * i)));
    } else if (kind == "text" || kind == "rawtext") {
        data->bytes.assign(rest.begin(), rest.end());
        if (kind == "text")
            data->bytes.push_back(0);
    } else if (kind == "hex") {
        if (!ParseHex(rest, &data->bytes)) {
            *error = "bad hex bytes";
            return false;
        }
    } else {
        *error = "data must be none, empty, int, text, rawtext or hex";
        return false;
    }
    return true;
}

static bool SetUserField(StubUser *user, const std::string &field, const std::string &value)
{
    std::string *texts[] = {&user->nickname, &user->text1, &user->text2, &user->text3, &user->text4,
                            &user->text5,    &user->text6, &user->text7, &user->text8};
    const char *textNames[] = {"nickname", "text1", "text2", "text3", "text4",
                               "text5",    "text6", "text7", "text8"};
    for (size_t i = 0; i < sizeof texts / sizeof texts[0]; i++) {
        if (field == textNames[i]) {
            *texts[i] = value;
            return true;
        }
    }
    int *numbers[] = {&user->number1, &user->number2, &user->number3, &user->number4,
                      &user->number5};
    const char *numberNames[] = {"number1", "number2", "number3", "number4", "number5"};
    int number;
    for (size_t i = 0; i < sizeof numbers / sizeof numbers[0]; i++) {
        if (field == numberNames[i])
            return ParseInt(value, numbers[i]);
    }
    if (field == "flag" && ParseInt(value, &number)) {
        user->flag = (unsigned char)number;
        return true;
    }
    return false;
}

bool ApplyStubLine(StubConfig *config, const std::string &text, std::string *error)
{
    std::string line = text;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    std::string rest = line;
    std::string key = NextWord(&rest);
    if (key.empty() || key[0] == '#')
        return true;

    int number = 0;
    int *numbers[] = {&config->version, &config->docking, &config->placement, &config->listType};
    const char *numberKeys[] = {"version", "docking", "placement", "listtype"};
    for (size_t i = 0; i < 4; i++) {
        if (key == numberKeys[i]) {
            if (ParseInt(NextWord(&rest), numbers[i]))
                return true;
            *error = key + " needs a number";
            return false;
        }
    }
    if (key == "owner") {
        if (!ParseInt(NextWord(&rest), &number)) {
            *error = "owner needs a number";
            return false;
        }
        config->ownerUin = number;
        UserFor(config, number);
        return true;
    }
    if (key == "user") {
        std::string field;
        if (!ParseInt(NextWord(&rest), &number) || (field = NextWord(&rest)).empty() ||
            !SetUserField(UserFor(config, number), field, rest)) {
            *error = "user needs: UIN FIELD VALUE";
            return false;
        }
        return true;
    }
    if (key == "online") {
        StubOnline entry;
        if (!ParseInt(NextWord(&rest), &entry.uin) || !ParseInt(NextWord(&rest), &entry.listValue)) {
            *error = "online needs: UIN LISTVALUE";
            return false;
        }
        config->online.push_back(entry);
        return true;
    }
    if (key == "group") {
        StubGroup group;
        group.name = rest;
        config->groups.push_back(group);
        return true;
    }
    if (key == "member") {
        if (config->groups.empty() || !ParseInt(NextWord(&rest), &number)) {
            *error = "member needs a number and a group line before it";
            return false;
        }
        config->groups.back().members.push_back(number);
        return true;
    }
    if (key == "firewall") {
        int first, second, kind, extra;
        StubFirewall *firewall = &config->firewall;
        if (!ParseInt(NextWord(&rest), &first) || !ParseInt(NextWord(&rest), &second) ||
            !ParseInt(NextWord(&rest), &kind) || !ParseInt(NextWord(&rest), &firewall->number) ||
            !ParseInt(NextWord(&rest), &extra)) {
            *error = "firewall needs: FIRST SECOND KIND NUMBER EXTRA TEXT";
            return false;
        }
        firewall->firstFlag = (unsigned char)first;
        firewall->secondFlag = (unsigned char)second;
        firewall->kind = (short)kind;
        firewall->extra = (unsigned char)extra;
        firewall->text = rest;
        return true;
    }
    if (key == "slow") {
        if (!ParseInt(NextWord(&rest), &number) || number < 0) {
            *error = "slow needs milliseconds";
            return false;
        }
        config->slowMs = (unsigned)number;
        return true;
    }
    if (key == "show") {
        config->showOwnerWindow = true;
        return true;
    }
    if (key == "reply" || key == "onsubscribe") {
        std::string codeWord = NextWord(&rest);
        StubData data;
        if (codeWord == "*" && key == "reply") {
            number = -1;
        } else if (!ParseInt(codeWord, &number)) {
            *error = key + " needs a code";
            return false;
        }
        if (!ParseStubData(rest, &data, error))
            return false;
        if (key == "reply") {
            StubOverride entry = {number, data};
            config->overrides.push_back(entry);
        } else {
            StubNotice entry = {number, data};
            config->onSubscribe.push_back(entry);
        }
        return true;
    }
    *error = "unknown key " + key;
    return false;
}

bool LoadStubFile(StubConfig *config, const char *path, std::string *error)
{
    FILE *file = fopen(path, "rb");
    if (!file) {
        *error = std::string("cannot open ") + path;
        return false;
    }
    char buffer[4096];
    int lineNumber = 0;
    bool ok = true;
    while (ok && fgets(buffer, sizeof buffer, file)) {
        lineNumber++;
        if (!ApplyStubLine(config, buffer, error)) {
            *error = std::string(path) + ":" + std::to_string(lineNumber) + ": " + *error;
            ok = false;
        }
    }
    fclose(file);
    return ok;
}
