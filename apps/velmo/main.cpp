#include <cstdio>

int main() {
    std::puts("velmo: the window is not built yet; use velmo --batch");
    return 0;
}
