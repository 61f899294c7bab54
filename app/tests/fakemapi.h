// What the fake MAPI library saw of the last MAPISendMail call.
#ifndef SKOVALT_TESTS_FAKEMAPI_H
#define SKOVALT_TESTS_FAKEMAPI_H

#include <windows.h>

struct FakeMapiCall {
    int calls;
    ULONG_PTR session;
    ULONG_PTR uiParam;
    unsigned long flags;
    char subject[64];
    bool noteText;
    bool originatorZero;
    unsigned long recipients;
    unsigned long files;
    unsigned long recipientClass;
    char recipientName[64];
    char recipientAddress[128];
};

using FakeMapiSetResultFn = void (*)(unsigned long result);
using FakeMapiLastCallFn = const FakeMapiCall *(*)();

#endif
