#include "platform/posix_error.h"

#include <cerrno>
#include <cstring>

#include "platform/file_name_bytes.h"

namespace tessivo {

ErrorCode ErrorCodeFromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return ErrorCode::kNotFound;
    case EEXIST:
    case ENOTEMPTY:
      return ErrorCode::kExists;
    case EOPNOTSUPP:
#if ENOTSUP != EOPNOTSUPP
    case ENOTSUP:
#endif
    case ENOSYS:
    case ENOTTY:
    case EXDEV:
      return ErrorCode::kNotSupported;
    case EACCES:
    case EPERM:
    case EROFS:
      return ErrorCode::kPermission;
    case EINVAL:
    case EISDIR:
    case ELOOP:
    case EBADF:
      return ErrorCode::kInvalidArgument;
    case ENAMETOOLONG:
      return ErrorCode::kNameTooLong;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return ErrorCode::kNoSpace;
    case EBUSY:
    case EWOULDBLOCK:
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case ETXTBSY:
      return ErrorCode::kBusy;
    case ECANCELED:
    case EINTR:
      return ErrorCode::kCancelled;
    default:
      return ErrorCode::kIo;
  }
}

Error PosixError(int err, const char* what, const std::u16string& path) {
  std::u16string detail;
  if (what && *what) detail = Utf8ToUtf16(what);
  if (!path.empty()) {
    if (!detail.empty()) detail += u": ";
    detail += path;
  }
  char buffer[256];
  // The GNU strerror_r returns the message, which need not be in `buffer`.
  const char* message = strerror_r(err, buffer, sizeof buffer);
  if (!detail.empty()) detail += u": ";
  detail += Utf8ToUtf16(message);
  return MakeError(ErrorCodeFromErrno(err), std::move(detail));
}

}  // namespace tessivo
