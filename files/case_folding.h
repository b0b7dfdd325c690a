#pragma once
// Comparing names without regard to case, for songs made on systems whose
// file names ignore case. Any thread.

#include <string>
#include <string_view>

namespace tamboro {

// The simple case folding of Unicode for Basic Latin, Latin-1 Supplement,
// Latin Extended-A, Greek and Coptic, Cyrillic and Cyrillic Supplement:
// each letter maps to one letter (É to é, Σ and ς to σ, Ж to ж, ſ to s).
// Every other code point is its own folding.
char32_t foldCase(char32_t codePoint);

// `name` decoded and folded letter by letter. A byte that is not part of
// valid UTF-8 is kept as a value of its own outside Unicode, so it equals
// only the same byte.
std::u32string foldedName(std::string_view name);

}  // namespace tamboro
