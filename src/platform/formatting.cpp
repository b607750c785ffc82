// Formatting of texts from words.
#include "platform/formatting.h"

#include <cstdio>

int Fmt(char *target, const char *format, const int *words) {
    // "%<size>c<%<count>i": the low byte of each of <count> words as text in a
    // target of <size> bytes, ending at the first zero byte.
    int size = 0, count = 0, used = 0;
    if (!target || !format || !words ||
        std::sscanf(format, "%%%dc<%%%di%n", &size, &count, &used) != 2 || format[used] != '\0' ||
        size < 1 || count < 0)
        return -1;
    int n = 0;
    while (n < count && n < size - 1) {
        const char c = static_cast<char>(words[n] & 0xFF);
        if (c == '\0') break;
        target[n++] = c;
    }
    target[n] = '\0';
    return n;
}
