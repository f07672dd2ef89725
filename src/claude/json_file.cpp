#include "claude/json_file.h"

#include "base/json_depth.h"

namespace brimlow {

Result<nlohmann::json> parseJsonDocument(std::string_view text, const std::string& origin) {
    if (!jsonDepthWithin(text))
        return Error{ErrorKind::Malformed,
                     origin + ": nested more than " + std::to_string(kMaxJsonDepth) + " deep"};
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& error) {
        // Mostly a parse_error, but a number too large for a double is an
        // out_of_range ("number overflow parsing '1e400'"). what() starts
        // with "[json.exception.parse_error.101] "; the rest is the position
        // (or the token) and the reason, which is what a person needs.
        std::string reason = error.what();
        if (auto bracket = reason.find("] "); reason.starts_with("[") && bracket != reason.npos)
            reason.erase(0, bracket + 2);
        return Error{ErrorKind::Malformed, origin + ": " + reason};
    }
    if (!document.is_object() && !document.is_array())
        return Error{ErrorKind::Malformed, origin + ": not a JSON object or array"};
    return document;
}

nlohmann::json topLevelObject(nlohmann::json document) {
    if (document.is_object())
        return document;
    return nlohmann::json::object();
}

std::string serializeJson(const nlohmann::json& value, JsonLayout layout) {
    // nlohmann's objects are ordered maps, so keys come out sorted; text is
    // written as UTF-8, not \u escapes.
    if (layout == JsonLayout::Pretty)
        return value.dump(2) + "\n";
    return value.dump();
}

Result<void> writeJsonFile(const std::string& path, const nlohmann::json& value, JsonLayout layout,
                           Durability durability) {
    return writeFileAtomic(path, serializeJson(value, layout), durability);
}

} // namespace brimlow
