#include "capture_file.h"

#include "dos_calls.h"

namespace {

constexpr const char* CAPTURE_NAME = "VELMOD.$$$";
constexpr uint32_t PLACES_MAX = 3;

char places[PLACES_MAX][DOS_PATH_MAX];
uint32_t placeCount = 0;

void addPlace(const char* directory) {
    char* place = places[placeCount];
    place[0] = 0;
    if (!dos_append(place, directory)) return;
    const uint32_t length = dos_length(place);
    if (length == 0) return;
    if (place[length - 1] != '\\' && !dos_append(place, "\\")) return;
    // Room for the name after the directory.
    if (dos_length(place) + dos_length(CAPTURE_NAME) >= DOS_PATH_MAX) return;
    ++placeCount;
}

void pathIn(const char* place, char* path) {
    path[0] = 0;
    dos_append(path, place);
    dos_append(path, CAPTURE_NAME);
}

void removeFile(const char* path) {
    dos_set_attributes(path, 0);
    dos_delete(path);
}

}  // namespace

void capture_places_find() {
    char value[DOS_PATH_MAX];
    if (dos_environment("TEMP", value, sizeof value)) addPlace(value);
    if (dos_environment("TMP", value, sizeof value)) addPlace(value);
    char start[DOS_PATH_MAX];
    dos_current_path(start);
    addPlace(start);
    for (uint32_t i = 0; i < placeCount; ++i) {
        char path[DOS_PATH_MAX];
        pathIn(places[i], path);
        removeFile(path);
    }
}

uint16_t capture_create(CaptureFile* file) {
    uint16_t error = DOS_PATH_NOT_FOUND;
    for (uint32_t i = 0; i < placeCount; ++i) {
        pathIn(places[i], file->path);
        error = dos_create(file->path, ATTRIBUTE_HIDDEN, &file->handle);
        if (!error) return 0;
    }
    return error;
}

void capture_remove(CaptureFile* file) {
    dos_close(file->handle);
    removeFile(file->path);
}
