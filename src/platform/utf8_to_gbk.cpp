// Utf8ToGbk: see platform/text.h. The build-specific conversion is behind cp936_conversion.h.
#include "platform/cp936_conversion.h"
#include "platform/text.h"

namespace qm {

std::string Utf8ToGbk(std::string_view utf8) {
    std::string text = ConvertUtf8ToCp936(utf8);
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

}  // namespace qm
