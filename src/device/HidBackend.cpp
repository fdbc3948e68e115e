#include "device/HidBackend.h"

#include <cerrno>

namespace corvane {

OpenError OpenErrorOfErrno(int systemError)
{
    switch (systemError) {
    case 0:
        return OpenError::kNone;
    case EACCES:
    case EPERM:
        return OpenError::kNoPermission;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return OpenError::kGone;
    case EBUSY:
        return OpenError::kBusy;
    default:
        return OpenError::kFailed;
    }
}

} // namespace corvane
