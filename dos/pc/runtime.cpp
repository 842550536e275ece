// The four block functions a freestanding program must bring: the compiler calls them on its
// own for structure copies and fills, and the engine uses them.
#include <cstddef>

extern "C" {

void* memcpy(void* to, const void* from, size_t count) {
    auto* t = static_cast<unsigned char*>(to);
    const auto* f = static_cast<const unsigned char*>(from);
    while (count--) *t++ = *f++;
    return to;
}

void* memmove(void* to, const void* from, size_t count) {
    auto* t = static_cast<unsigned char*>(to);
    const auto* f = static_cast<const unsigned char*>(from);
    if (t < f) return memcpy(to, from, count);
    while (count--) t[count] = f[count];
    return to;
}

void* memset(void* to, int value, size_t count) {
    auto* t = static_cast<unsigned char*>(to);
    while (count--) *t++ = static_cast<unsigned char>(value);
    return to;
}

int memcmp(const void* a, const void* b, size_t count) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    for (; count; --count, ++x, ++y) {
        if (*x != *y) return *x < *y ? -1 : 1;
    }
    return 0;
}
}
