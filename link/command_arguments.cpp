#include "link/command_arguments.h"

namespace {

constexpr size_t KEYWORD_LENGTH = 5;  // "#GET " and "#PUT "

struct Argument {
    char* text;
    size_t length;
    int quotes;
};

}  // namespace

void k_command_arguments(const char* command, size_t length, char* first, char* second,
                         size_t capacity) {
    if (capacity == 0) return;
    first[0] = '\0';
    second[0] = '\0';
    Argument arguments[2] = {{first, 0, 0}, {second, 0, 0}};
    int current = 0;
    for (size_t i = KEYWORD_LENGTH; i <= length && current < 2; ++i) {
        char byte = i < length ? command[i] : '\0';
        Argument& argument = arguments[current];
        if (byte == '"') {
            ++argument.quotes;
            continue;
        }
        bool blank = byte == ' ' && argument.quotes != 1;
        if (blank || byte == '\0') {
            if (argument.length > 0) ++current;
            if (byte == '\0') break;
            continue;
        }
        if (argument.length + 1 < capacity) {
            argument.text[argument.length++] = byte;
            argument.text[argument.length] = '\0';
        }
    }
}
