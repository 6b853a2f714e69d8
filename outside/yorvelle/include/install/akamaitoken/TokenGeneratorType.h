#pragma once

namespace install::akamaitoken {

// Where a signed URL carries its token.
enum class TokenGeneratorType : int {
    QueryString = 0,  // "?token=..." after the URL
    PathSegment = 1,  // "/token=.../" right after the URL base
};

}  // namespace install::akamaitoken
