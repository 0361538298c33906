// One registry tree in memory and its file form (platform-internal).
#pragma once

#include <windef.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace com::registry {

struct Value {
    std::string name;  // empty: the key's default value
    DWORD type = 0;
    std::string data;  // the bytes as set
};

struct Key {
    std::string path;                     // as first created ("" for the root)
    std::map<std::string, Value> values;  // by folded name
};

// Key paths and value names compare without regard to ASCII case, as on Windows.
std::string Fold(std::string_view text);

// Keys by folded path; the root ("") always exists. A key's ancestors are keys too.
class Hive {
public:
    Hive();

    bool HasKey(std::string_view path) const;
    bool HasSubKeys(std::string_view path) const;
    Key* FindKey(std::string_view path);
    const Key* FindKey(std::string_view path) const;
    // Creates the key and its missing ancestors; true when the key was new.
    bool CreateKey(std::string_view path);
    // Removes the key with everything under it (never the root itself).
    void RemoveTree(std::string_view path);
    // Removes what is under the key and its values, keeping the key.
    void ClearKey(std::string_view path);

    // Text form: a header line, then "key <path>" lines each followed by its
    // "value <name> <type> <hex data>" lines; names escaped so fields hold no blanks.
    std::string Serialize() const;
    // Reads the text form; lines it cannot read are skipped.
    static Hive Parse(std::string_view text);

private:
    std::map<std::string, Key>::iterator FirstUnder(const std::string& folded);
    std::map<std::string, Key>::const_iterator FirstUnder(const std::string& folded) const;

    std::map<std::string, Key> keys_;
};

}  // namespace com::registry
