// The settings store: values of the registry key
// HKEY_CURRENT_USER\Software\Holmdrey\Skovalt\1.0. Every call opens the key
// and closes it again, so the calls keep no state and work from any thread.
// Value names are case-insensitive (the registry's rule).
#ifndef SKOVALT_SETTINGS_SETTINGS_H
#define SKOVALT_SETTINGS_SETTINGS_H

#include <limits.h>
#include <stddef.h>

#define SETTINGS_KEY "Software\\Holmdrey\\Skovalt\\1.0"

// What a value holds.
enum SettingKind {
    SettingText,    // REG_SZ text
    SettingNumber,  // REG_SZ decimal number
    SettingFlag,    // REG_SZ "Y" or "N"
    SettingBytes,   // REG_BINARY record (a LOGFONTA)
};

// One value of the key: its name, what it holds and the default a missing
// value means (for numbers, a decimal text; null: no default, the reader
// decides, as for "Pos" and "Split"); for numbers, the range a reader
// takes (ParseSettingNumber's rule: below low the default, above it high).
struct SettingDef {
    const char *name;
    SettingKind kind;
    const char *defaultValue;
    long low = 0;
    long high = LONG_MAX;
};

// Every value the program reads or writes, in one table; null for a name
// that is not in it.
const SettingDef *FindSetting(const char *name);

// The default text of a value ("" when it has none).
const char *SettingDefault(const char *name);

// Reads a number value within the table's range for it. A missing value,
// one that is not a plain decimal number (letters, "abc") or one below the
// range ("-3") gives the table's default; one above it the range's top.
long ReadNumberSetting(const char *name);

// The query time-out in whole seconds, from "Timeout": its number kept to
// kMinTimeout .. kMaxTimeout (0 would time every server out at once, a
// huge one would hold a stopped refresh for as long); a missing or
// unreadable value is the default, 3. The one place that reads it.
const long kMinTimeout = 1;
const long kMaxTimeout = 60;
long ReadTimeoutSetting();

// Reads a value into buffer (size bytes, zero-filled first). Returns 0 when
// read; non-zero when the buffer is null, the key or value is missing, or
// the value (with its NUL) does not fit; the buffer then holds "".
int ReadSetting(const char *name, char *buffer, size_t size);

// Reads a text value that is a list of fields, each ended by separator
// (names and ",", template columns and "%t", widths and "\t"), into
// buffer (size bytes). A value that does not fit is cut after its last
// whole field that does (CutAtWholeFields), never emptied: the stored
// value stays as it is. Returns 0 when a value was read, whole or cut;
// non-zero as ReadSetting when there is none (the buffer then holds "").
int ReadSettingFields(const char *name, char *buffer, size_t size, const char *separator);

// Reads a binary value of exactly size bytes (a font record). Returns 0,
// or 1 when missing or of another size; the data is then all zero.
int ReadSettingBytes(const char *name, void *data, size_t size);

// Writes text as REG_SZ, creating the key when needed. Returns 0, or 1 on
// failure (also for a null text).
int WriteSetting(const char *name, const char *text);

// Writes size bytes as REG_BINARY. Returns 0 or 1.
int WriteSettingBytes(const char *name, const void *data, size_t size);

// True only when the value is exactly "Y".
bool ReadFlag(const char *name);

// Writes "Y" or "N".
void WriteFlag(const char *name, bool on);

// Tests only: makes every call use another subkey of HKEY_CURRENT_USER
// (null restores the real one). DeleteSettingsKey removes the current
// subkey with all its values.
void SetSettingsKeyForTests(const char *subkey);
void DeleteSettingsKey();

#endif
