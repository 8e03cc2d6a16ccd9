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
      return "ファイル アクセスが拒否されました";
    case EROFS:
      return "読み取り専用のファイルシステムなので書き込めません";
    case EISDIR:
      return "フォルダはファイルとして開けません";
    case ENOSPC:
    case EDQUOT:
      return "ディスクに空きがありません";
    case EFBIG:
      return "ファイルが大きすぎます";
    case ELOOP:
      return "シンボリックリンクの参照が多すぎます";
    default:
      return std::string("ファイルの入出力エラーです (") + std::strerror(errnoValue) + ")";
  }
}

}  // namespace core
