// The reply layouts: little-endian numbers, NUL-terminated texts, no
// alignment between items.
#include "replies.h"

#include <stdio.h>
#include <string.h>

static void PutInt32(std::vector<unsigned char> *out, int value)
{
    for (int i = 0; i < 4; i++)
        out->push_back((unsigned char)((unsigned)value >> (8 * i)));
}

static void PutInt16(std::vector<unsigned char> *out, short value)
{
    out->push_back((unsigned char)(value & 0xFF));
    out->push_back((unsigned char)((unsigned short)value >> 8));
}

static void PutText(std::vector<unsigned char> *out, const std::string &text)
{
    out->insert(out->end(), text.begin(), text.end());
    out->push_back(0);
}

// number5 only goes to programs of a client whose version is above 65536.
static void PutDetails(std::vector<unsigned char> *out, const StubUser &user, int version)
{
    PutInt32(out, user.number1);
    PutText(out, user.nickname);
    PutText(out, user.text1);
    PutText(out, user.text2);
    PutText(out, user.text3);
    PutText(out, user.text4);
    PutText(out, user.text5);
    PutInt32(out, user.number2);
    PutText(out, user.text6);
    PutText(out, user.text7);
    PutInt32(out, user.number3);
    PutText(out, user.text8);
    out->push_back(user.flag);
    PutInt32(out, user.number4);
    if (version > 65536)
        PutInt32(out, user.number5);
}

static void PutFirewall(std::vector<unsigned char> *out, const StubFirewall &firewall)
{
    out->push_back(firewall.firstFlag);
    if (!firewall.firstFlag)
        return;
    out->push_back(firewall.secondFlag);
    if (!firewall.secondFlag)
        return;
    PutInt16(out, firewall.kind);
    PutText(out, firewall.text);
    PutInt32(out, firewall.number);
    if (firewall.kind == 5)
        out->push_back(firewall.extra);
}

static bool FindOverride(const StubConfig &config, int code, StubData *data)
{
    const StubOverride *any = nullptr;
    for (const StubOverride &entry : config.overrides) {
        if (entry.code == code) {
            *data = entry.data;
            return true;
        }
        if (entry.code == -1)
            any = &entry;
    }
    if (!any)
        return false;
    *data = any->data;
    return true;
}

StubData BuildReply(const StubConfig &config, int code, const unsigned char *payload,
                    unsigned length, unsigned ownerWindowField)
{
    StubData reply;
    if (FindOverride(config, code, &reply))
        return reply;
    reply.kind = StubDataBytes;
    std::vector<unsigned char> *out = &reply.bytes;
    switch (code) {
    case 1:
        PutInt32(out, config.version);
        break;
    case 2:
        PutInt32(out, config.docking);
        break;
    case 3:
        PutFirewall(out, config.firewall);
        break;
    case 4: {
        const StubUser *owner = FindStubUser(config, config.ownerUin);
        StubUser empty = StubUser();
        empty.uin = config.ownerUin;
        PutInt32(out, config.ownerUin);
        PutDetails(out, owner ? *owner : empty, config.version);
        break;
    }
    case 5: {
        int uin;
        if (length < 4 || !payload) {
            reply.kind = StubDataNone;
            break;
        }
        memcpy(&uin, payload, 4);
        const StubUser *user = FindStubUser(config, uin);
        if (!user) {
            reply.kind = StubDataEmpty;
            break;
        }
        PutDetails(out, *user, config.version);
        break;
    }
    case 6:
        PutInt32(out, (int)config.online.size());
        for (const StubOnline &entry : config.online) {
            PutInt32(out, entry.uin);
            PutInt32(out, entry.listValue);
        }
        break;
    case 7:
    case 9:
        PutInt32(out, (int)ownerWindowField);
        break;
    case 8:
        PutInt32(out, config.placement);
        break;
    case 13:
        PutInt32(out, config.listType);
        break;
    case 14:
        PutInt32(out, (int)config.groups.size());
        for (const StubGroup &group : config.groups) {
            PutText(out, group.name);
            PutInt32(out, (int)group.members.size());
            for (int uin : group.members)
                PutInt32(out, uin);
        }
        break;
    default:
        // Subscriptions, files to send and unknown requests get no reply.
        reply.kind = StubDataNone;
        break;
    }
    return reply;
}

std::string HexText(const unsigned char *bytes, size_t length)
{
    std::string text;
    char pair[4];
    for (size_t i = 0; i < length; i++) {
        snprintf(pair, sizeof pair, i ? " %02X" : "%02X", bytes[i]);
        text += pair;
    }
    return text;
}
