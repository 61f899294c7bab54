// Small text helpers of the Kv library.
#include "kv/internal.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

char *KvCopyText(const char *text, size_t size) {
    char *copy = (char *)malloc(size + 1);
    if (!copy) return nullptr;
    memcpy(copy, text, size);
    copy[size] = '\0';
    return copy;
}

char *KvCopyString(const char *text) { return KvCopyText(text, strlen(text)); }

bool KvReplaceText(char **slot, const char *text, size_t size) {
    char *copy = KvCopyText(text, size);
    if (!copy) return false;
    free(*slot);
    *slot = copy;
    return true;
}

static char Lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

bool KvEqualNoCase(const char *a, const char *b) {
    for (; *a && Lower(*a) == Lower(*b); ++a, ++b) {
    }
    return Lower(*a) == Lower(*b);
}

bool KvSameNoCase(const char *a, const char *b, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool KvPrefixNoCase(const char *text, size_t size, const char *prefix) {
    size_t length = strlen(prefix);
    return size >= length && KvSameNoCase(text, prefix, length);
}

bool KvReadInt(const char *text, const char *limit, int *value, const char **end) {
    const char *p = text;
    while (p < limit && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
    bool negative = false;
    if (p < limit && (*p == '-' || *p == '+')) negative = *p++ == '-';
    const char *digits = p;
    long long n = 0;
    for (; p < limit && *p >= '0' && *p <= '9'; ++p)
        if (n <= INT_MAX) n = n * 10 + (*p - '0');
    if (p == digits) return false;
    if (negative) n = -n;
    *value = n > INT_MAX ? INT_MAX : (n < INT_MIN ? INT_MIN : (int)n);
    if (end) *end = p;
    return true;
}
