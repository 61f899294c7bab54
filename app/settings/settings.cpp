// The registry-backed settings store.
#include "settings/settings.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

#include "base/text.h"

namespace {

char testKey[256];

const SettingDef Settings[] = {
    {"Pos", SettingText, nullptr},
    {"Split", SettingNumber, nullptr, 0, 32767},
    // A missing "Timeout" means 3 s: 0 would make every server time out at
    // once on a first start.
    {"Timeout", SettingNumber, "3"},
    // 0 (below the range) means the default; a refresh runs at most 64.
    {"NumServerThreads", SettingNumber, "10", 1, 64},
    {"PingThreshold", SettingNumber, "0", 0, 65535},
    {"Grayout", SettingFlag, "N"},
    {"Grid", SettingFlag, "N"},
    {"BkImg", SettingFlag, "N"},
    {"FontS", SettingBytes, nullptr},
    {"FontP", SettingBytes, nullptr},
    {"ServerTemplate", SettingText, "%s%t%y%t%n/%x%t%l%t%g%t"},
    {"PlayerTemplate", SettingText, "%p%t%r/%n%t%i%t%s%t%l%t"},
    {"ServerTemplateWidth", SettingText, "100\t25\t25\t50\t30\t"},
    {"PlayerTemplateWidth", SettingText, "100\t100\t100\t100\t100\t"},
    {"FixupNames", SettingText, "Brakkon,Tessaly,Ovrim,"},
    {"GameFilter", SettingText, ""},
    {"Favorites", SettingFlag, "N"},
    {"DontGetHostNames", SettingFlag, "N"},
    {"NoSound", SettingFlag, "N"},
    {"NoUloStuff", SettingFlag, "N"},
    {"AskSave", SettingFlag, "N"},
    {"Startup", SettingText, "N"},
    {"AutoConnect", SettingFlag, "N"},
    {"DontCheckNewVersion", SettingFlag, "N"},
    {"Exe", SettingText, ""},
    {"Param", SettingText, ""},
    {"ParamCtf", SettingText, ""},
    {"ParamLMCtf", SettingText, ""},
    {"ParamRA", SettingText, ""},
    {"CloseUlo", SettingFlag, "N"},
    {"CloseUloConfirm", SettingFlag, "N"},
    {"CloseUloWait", SettingNumber, "0", 0, 10},
    {"LastFind", SettingText, ""},
    {"LastFindPlayer", SettingText, ""},
    {"ServerDlg", SettingText, nullptr},
    // Web addresses that replace the defaults when set (net/endpoints.h).
    {"MasterListURL", SettingText, ""},
    {"VersionURL", SettingText, ""},
    {"SetupURL", SettingText, ""},
    {"HomepageURL", SettingText, ""},
};

const char *SettingsKey()
{
    return testKey[0] ? testKey : SETTINGS_KEY;
}

// Opens the key with full access, also for reading; create: make it when
// it does not exist. Null on failure.
HKEY OpenKey(bool create)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS)
        return key;
    if (!create)
        return nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
        return key;
    return nullptr;
}

int WriteValue(const char *name, DWORD type, const void *data, size_t size)
{
    HKEY key = OpenKey(true);
    if (!key)
        return 1;
    LONG rc = RegSetValueExA(key, name, 0, type, static_cast<const BYTE *>(data),
                             static_cast<DWORD>(size));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 0 : 1;
}

}  // namespace

const SettingDef *FindSetting(const char *name)
{
    if (!name)
        return nullptr;
    for (const SettingDef &def : Settings) {
        if (_stricmp(def.name, name) == 0)
            return &def;
    }
    return nullptr;
}

const char *SettingDefault(const char *name)
{
    const SettingDef *def = FindSetting(name);
    return def && def->defaultValue ? def->defaultValue : "";
}

long ReadNumberSetting(const char *name)
{
    const SettingDef *def = FindSetting(name);
    long low = def ? def->low : 0;
    long high = def ? def->high : LONG_MAX;
    char text[32];
    long value = 0;
    if (ReadSetting(name, text, sizeof text) == 0 && ParseSettingNumber(text, low, high, &value))
        return value;
    return atol(SettingDefault(name));
}

long ReadTimeoutSetting()
{
    long seconds = ReadNumberSetting("Timeout");
    return seconds < kMinTimeout ? kMinTimeout : seconds > kMaxTimeout ? kMaxTimeout : seconds;
}

int ReadSetting(const char *name, char *buffer, size_t size)
{
    if (!buffer || size == 0)
        return 1;
    memset(buffer, 0, size);
    HKEY key = OpenKey(false);
    if (!key)
        return 1;
    DWORD got = static_cast<DWORD>(size);
    LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(buffer), &got);
    RegCloseKey(key);
    // A text stored without its NUL can fill the buffer exactly; it then
    // does not fit either, and callers must never see it unterminated.
    if (rc != ERROR_SUCCESS || (got == size && buffer[size - 1] != '\0')) {
        memset(buffer, 0, size);
        return 1;
    }
    return 0;
}

int ReadSettingFields(const char *name, char *buffer, size_t size, const char *separator)
{
    if (ReadSetting(name, buffer, size) == 0)
        return 0;
    if (!buffer || size == 0)
        return 1;
    // Missing, or too long: the whole value is read and cut to fit.
    HKEY key = OpenKey(false);
    if (!key)
        return 1;
    DWORD length = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &length);
    char *whole = rc == ERROR_SUCCESS ? static_cast<char *>(calloc(length + 1u, 1)) : nullptr;
    if (whole)
        rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(whole), &length);
    RegCloseKey(key);
    if (!whole || rc != ERROR_SUCCESS) {
        free(whole);
        return 1;
    }
    CutAtWholeFields(whole, size, separator);
    memcpy(buffer, whole, strlen(whole) + 1);
    free(whole);
    return 0;
}

int ReadSettingBytes(const char *name, void *data, size_t size)
{
    if (!data || size == 0)
        return 1;
    memset(data, 0, size);
    HKEY key = OpenKey(false);
    if (!key)
        return 1;
    DWORD got = static_cast<DWORD>(size);
    LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, static_cast<BYTE *>(data), &got);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || got != size) {
        memset(data, 0, size);
        return 1;
    }
    return 0;
}

int WriteSetting(const char *name, const char *text)
{
    if (!text)
        return 1;
    return WriteValue(name, REG_SZ, text, strlen(text) + 1);
}

int WriteSettingBytes(const char *name, const void *data, size_t size)
{
    if (!data)
        return 1;
    return WriteValue(name, REG_BINARY, data, size);
}

bool ReadFlag(const char *name)
{
    char text[2];
    ReadSetting(name, text, sizeof text);
    return text[0] == 'Y';
}

void WriteFlag(const char *name, bool on)
{
    WriteSetting(name, on ? "Y" : "N");
}

void SetSettingsKeyForTests(const char *subkey)
{
    if (!subkey) {
        testKey[0] = '\0';
        return;
    }
    strncpy(testKey, subkey, sizeof testKey - 1);
    testKey[sizeof testKey - 1] = '\0';
}

void DeleteSettingsKey()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, SettingsKey());
    RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey());
}
