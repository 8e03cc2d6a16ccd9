#include "core/Errors.h"

#include <cerrno>
#include <cstring>

namespace core {

std::string IoMessage(int errnoValue) {
  switch (errnoValue) {
    case ENOENT:
    case ENOTDIR:
      return "ファイルが見つかりません";
    case EACCES:
    case EPERM:
    case EROFS:
      return "ファイル アクセスが拒否されました";
    case EISDIR:
      return "フォルダはファイルとして開けません";
    case ENOSPC:
      return "ディスクに空きがありません";
    default:
      return std::string("ファイルの入出力エラーです (") + std::strerror(errnoValue) + ")";
  }
}

}  // namespace core
