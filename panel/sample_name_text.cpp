#include "panel/sample_name_text.h"

#include <string>

#include "files/stored_names.h"

namespace tamboro {

QString sampleNameText(std::string_view bytes) {
    const std::string text = shownSampleName(bytes.substr(0, bytes.find('\0')));
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tamboro
