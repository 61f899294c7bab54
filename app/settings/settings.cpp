// The registry-backed settings store.
#include "settings/settings.h"

#include <windows.h>
#include <string.h>

namespace {

char testKey[256];

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
