#pragma once

#include <string>

namespace platform {

/// Turns a complete raw deflate stream (one whose last block is marked final) into one that
/// a following stream may continue: the last block loses its final mark, the bits are cut
/// where that block ends, and an empty stored block brings the stream to a byte boundary,
/// as zlib's sync flush ends a stream. Streams compressed apart, each but the last passed
/// through this, joined end to end form one raw deflate stream of all their data.
/// Raises std::invalid_argument when `stream` is not a complete deflate stream.
void ContinueAfter(std::string& stream);

}  // namespace platform
