// How deep a JSON text nests, told before it is parsed.
//
// nlohmann's parser keeps its nesting on the heap, but copying, comparing and
// printing a parsed value recurse once per level: a text of a few hundred
// kilobytes of "[" would overflow the stack (and printing it indented takes
// memory that grows with the square of the depth). Every reader of outside
// JSON text refuses what nests deeper than this before parsing it, as the
// log reader's parser does by itself at the same depth.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string_view>

namespace brimlow {

inline constexpr std::size_t kMaxJsonDepth = 1024;

// False when arrays and objects open more than `limit` deep. Brackets inside
// strings don't count. Not a validation: text within the limit may still be
// anything but JSON.
bool jsonDepthWithin(std::string_view text, std::size_t limit = kMaxJsonDepth);

// Outside JSON text that may be anything, parsed without exceptions: a
// discarded value (is_discarded()) when it is not JSON or nests deeper than
// kMaxJsonDepth.
nlohmann::json parseBoundedJson(std::string_view text);

} // namespace brimlow
