// JSON documents as plain C++ values.
//
// How it works: the text is parsed by Qt's JSON reader into a tree of
// JsonItem, and a tree is written back the same way, so that the program
// never parses or quotes JSON by hand. Texts are UTF-8. Numbers are doubles
// (as JSON has them): a number too large for a double is not a number here.
#pragma once

#include <string>
#include <vector>

struct JsonMember;

struct JsonItem {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;            // Bool
    double number = 0.0;             // Number
    std::string text;                // String, UTF-8
    std::vector<JsonItem> elements;  // Array
    std::vector<JsonMember> members; // Object, in the file's order

    static JsonItem Of(double n);
    static JsonItem Flag(bool b); // a Bool (an Of(bool) would take every int)
    static JsonItem Of(const std::string &s);
    static JsonItem Of(const char *s);
    static JsonItem NewObject();
    // Adds a member to an object (a key given twice keeps the last value).
    JsonItem &Add(const std::string &key, JsonItem value);
    // The member of that key, or nullptr (also when this is no object).
    const JsonItem *Member(const std::string &key) const;
};

// One member of an object.
struct JsonMember {
    std::string key;
    JsonItem value;
};

inline JsonItem JsonItem::Of(const char *s) {
    return Of(std::string(s));
}

// Parses a whole document. False, with the reader's reason and the byte
// offset in *error, when the text is not JSON or its top is not an object.
bool ParseJson(const std::string &text, JsonItem *out, std::string *error);

// The item as an indented JSON document, UTF-8. A non-finite number is
// written as null (JSON has no such number). Members in the order of their
// keys.
std::string WriteJson(const JsonItem &item);

// The item on one line, without spaces, members in the order they were
// added (a message whose keys a reader scans in a fixed order). Strings and
// numbers are written by the same writer as WriteJson's.
std::string WriteJsonLine(const JsonItem &item);
