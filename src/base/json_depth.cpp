#include "base/json_depth.h"

namespace brimlow {

bool jsonDepthWithin(std::string_view text, std::size_t limit) {
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i; // an escaped character never ends the string
            else if (c == '"')
                inString = false;
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            break;
        case '[':
        case '{':
            if (++depth > limit)
                return false;
            break;
        case ']':
        case '}':
            if (depth > 0)
                --depth;
            break;
        default:
            break;
        }
    }
    return true;
}

nlohmann::json parseBoundedJson(std::string_view text) {
    if (!jsonDepthWithin(text))
        return nlohmann::json::value_t::discarded;
    return nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
}

} // namespace brimlow
