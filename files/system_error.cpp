#include "files/system_error.h"

#include <cerrno>

int k_system_error(int err) {
    switch (err) {
        case ENOENT:
            return 2;
        case ENOTDIR:
            return 3;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return 5;
        case EWOULDBLOCK:  // flock refused: another program holds the file
            return 32;
        case ENOSPC:
        case EDQUOT:
            return 112;
        case EILSEQ:  // a name with no form in the file system's encoding
            return 123;
        default:
            return err;
    }
}
