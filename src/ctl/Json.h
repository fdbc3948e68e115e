#pragma once
// A small JSON writer for corvanectl's --json output: one document, written as it is built.
// Strings are taken as UTF-8; control characters are escaped and bytes that are not valid UTF-8
// become U+FFFD, so the document is always valid JSON whatever a file held.

#include <concepts>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::ctl {

// The JSON string literal for `text`, quotes included.
std::string JsonString(std::string_view text);

class JsonWriter
{
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The name of the next member of the open object.
    JsonWriter& Key(std::string_view name);
    JsonWriter& String(std::string_view text);
    JsonWriter& Number(std::int64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    // Shorthands for a member.
    JsonWriter& Member(std::string_view name, std::string_view text) { return Key(name).String(text); }
    JsonWriter& Member(std::string_view name, const char* text) { return Key(name).String(text); }
    JsonWriter& Member(std::string_view name, bool value) { return Key(name).Bool(value); }
    template <std::integral T>
    requires(!std::same_as<T, bool>) JsonWriter& Member(std::string_view name, T value)
    {
        return Key(name).Number(static_cast<std::int64_t>(value));
    }

    // Ends the document with a line break; every object and array must be closed.
    void Finish();

private:
    void BeforeValue();

    std::ostream& out_;
    // One entry per open object or array: whether it has a member yet.
    std::vector<bool> hasItem_;
    bool afterKey_ = false;
};

} // namespace corvane::ctl
