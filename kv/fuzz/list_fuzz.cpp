// libFuzzer target: name-list files. Each input is written to a file beside
// the fuzzer and loaded; the list must end within the block it came in.
#include "kv/internal.h"
#include "kv/platform.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static std::string path;
    if (path.empty()) {
        char folder[1024];
        size_t n = PlatformExecutableFolder(folder, sizeof folder);
        if (n == 0) return 0;
        path = std::string(folder, n) + "kv-list-fuzz.txt";
    }
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);

    char *list = nullptr;
    KvListLoadAlloc(&list, (char *)"kv-list-fuzz.txt");
    if (list) {
        size_t total = 0;
        for (const char *s = list; *s; s += strlen(s) + 1) total += strlen(s) + 1;
        if (total > size + 1) __builtin_trap();
        KvListFree(list);
    }
    return 0;
}
