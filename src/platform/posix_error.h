#pragma once
// The one place where a system error number gets its meaning for Tessivo.
// Every failing system call of the platform layer reports through PosixError,
// so the same errno always becomes the same ErrorCode.

#include <string>

#include "base/result.h"

namespace tessivo {

// The ErrorCode for an errno value:
//   ENOENT, ENOTDIR                       -> kNotFound
//   EEXIST, ENOTEMPTY                     -> kExists
//   ENOTSUP/EOPNOTSUPP, ENOSYS, ENOTTY,
//   EXDEV                                 -> kNotSupported
//   EACCES, EPERM, EROFS                  -> kPermission
//   EINVAL, EISDIR, ELOOP, EBADF          -> kInvalidArgument
//   ENAMETOOLONG                          -> kNameTooLong
//   ENOSPC, EDQUOT, EFBIG                 -> kNoSpace
//   EBUSY, EWOULDBLOCK, ETXTBSY           -> kBusy
//   ECANCELED, EINTR                      -> kCancelled
//   anything else                         -> kIo
ErrorCode ErrorCodeFromErrno(int err);

// An Error for a failed call: the code above and the detail
// "<what>: <path>: <system message>" (parts left out when empty).
Error PosixError(int err, const char* what, const std::u16string& path = {});

}  // namespace tessivo
