// Reading and writing the small JSON files the bridge shares with Claude
// Code. Members we do not touch keep their JSON values across a rewrite.
#pragma once

#include "base/files.h"
#include "base/result.h"

#include <nlohmann/json.hpp>
#include <string>

namespace brimlow {

enum class JsonLayout {
    Pretty,  // indented, keys sorted: files people read and diff
    Compact, // one line: files only programs read
};

// Parses text that must hold a JSON object or array at the top level (a
// bare scalar is refused, as strict parsers do), nested no deeper than
// kMaxJsonDepth. The error names `origin` and the parser's position, e.g.
// "settings.json: parse error at line 3, column 1: …".
Result<nlohmann::json> parseJsonDocument(std::string_view text, const std::string& origin);

// The object at the top level, or an empty object for any other document.
nlohmann::json topLevelObject(nlohmann::json document);

std::string serializeJson(const nlohmann::json& value, JsonLayout layout);

Result<void> writeJsonFile(const std::string& path, const nlohmann::json& value, JsonLayout layout,
                           Durability durability);

} // namespace brimlow
