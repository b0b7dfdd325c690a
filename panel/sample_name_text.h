#pragma once
// The text shown for a sample name's bytes. Any thread.

#include <QString>

#include <string_view>

namespace tamboro {

// The bytes up to the first zero, read as UTF-8 when they are valid UTF-8,
// else as Windows-1252 (so names from older song files still read).
QString sampleNameText(std::string_view bytes);

}  // namespace tamboro
