// Fields, case-insensitive search, name lists and stored numbers.
#include "base/text.h"

#include <ctype.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>

const char *NextField(char *dest, size_t size, const char *source, char separator)
{
    if (!source)
        return nullptr;
    if (!dest || size == 0)
        return source;
    while (*source == ' ')
        ++source;
    size_t n = 0;
    while (*source && *source != separator && n < size - 1)
        dest[n++] = *source++;
    dest[n] = '\0';
    while (n > 0 && dest[n - 1] == ' ')
        dest[--n] = '\0';
    // After the separator; a copy cut at the size limit passes over the
    // character where it stopped.
    if (*source)
        ++source;
    return source;
}

const char *FindNoCase(const char *text, const char *pattern)
{
    if (!text || !pattern)
        return nullptr;
    size_t length = strlen(pattern);
    for (const char *p = text; *p; ++p) {
        size_t i = 0;
        while (i < length && p[i] &&
               tolower(static_cast<unsigned char>(p[i])) == tolower(static_cast<unsigned char>(pattern[i])))
            ++i;
        if (i == length)
            return p;
    }
    return length == 0 ? text : nullptr;
}

void CutNameList(char *buffer, size_t size)
{
    if (!buffer || size < 2)
        return;
    // Names are copied together so that empty fields (",,") leave no gaps;
    // the last two bytes are kept for a name's NUL and the final empty name.
    char *source = static_cast<char *>(malloc(size));
    if (!source) {
        buffer[0] = '\0';
        return;
    }
    memcpy(source, buffer, size);
    source[size - 1] = '\0';
    memset(buffer, 0, size);
    size_t out = 0;
    const char *p = source;
    while (*p) {
        const char *end = strchr(p, ',');
        size_t length = end ? static_cast<size_t>(end - p) : strlen(p);
        if (length > 0) {
            if (out + length + 2 > size)
                length = size - out - 2;
            if (length == 0)
                break;
            memcpy(buffer + out, p, length);
            out += length + 1;
        }
        if (!end)
            break;
        p = end + 1;
    }
    free(source);
}

void JoinNameList(const char *list, char *out, size_t size)
{
    if (!out || size == 0)
        return;
    out[0] = '\0';
    size_t used = 0;
    for (const char *name = list; name && *name; name += strlen(name) + 1) {
        size_t length = strlen(name);
        if (used + length + 2 > size)
            break;
        memcpy(out + used, name, length);
        used += length;
        out[used++] = ',';
        out[used] = '\0';
    }
}

bool ParseSettingNumber(const char *text, long low, long high, long *value)
{
    if (!text)
        return false;
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = *text == '-';
    if (negative)
        ++text;
    if (!isdigit(static_cast<unsigned char>(*text)))
        return false;
    // Counted as a negative number first: its range holds LONG_MIN too.
    long n = 0;
    for (; isdigit(static_cast<unsigned char>(*text)); ++text) {
        int digit = *text - '0';
        n = n < (LONG_MIN + digit) / 10 ? LONG_MIN : n * 10 - digit;
    }
    while (*text == ' ' || *text == '\t')
        ++text;
    if (*text != '\0')
        return false;
    if (!negative)
        n = n < -LONG_MAX ? LONG_MAX : -n;
    if (n < low)
        return false;
    *value = n > high ? high : n;
    return true;
}

bool ParseSettingNumber(const char *text, long *value)
{
    return ParseSettingNumber(text, 0, LONG_MAX, value);
}

void CutAtWholeFields(char *text, size_t size, const char *separator)
{
    if (!text || size == 0 || strlen(text) < size)
        return;
    size_t cut = size - 1;
    size_t step = separator ? strlen(separator) : 0;
    if (step > 0) {
        size_t end = 0;
        for (const char *p = strstr(text, separator); p && static_cast<size_t>(p - text) + step <= size - 1;
             p = strstr(p + step, separator))
            end = static_cast<size_t>(p - text) + step;
        if (end > 0)
            cut = end;
    }
    text[cut] = '\0';
}
