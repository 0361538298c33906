// The text of an initialisation file as lines, with the lookups and edits of
// the private-profile functions (platform-internal).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win32::profile {

// Lines keep their text as read; a write changes only the lines it must.
// Sections and keys match without regard to ASCII case.
class Document {
public:
    static Document Parse(std::string_view text);

    // The value with blanks around it removed and one pair of enclosing quotes
    // dropped; nullopt when the section or key is missing.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(std::string_view section) const;
    // The lines of the section's first occurrence that are not blank, trimmed.
    std::vector<std::string> SectionLines(std::string_view section) const;

    // Replaces the key's line, or appends it to its section, or appends the
    // section with it to the end.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Puts `lines` in place of the body of the section's first occurrence (blank
    // lines that part it from the next section stay), or appends the section
    // with them to the end.
    void ReplaceSection(std::string_view section, const std::vector<std::string>& lines);
    void RemoveKey(std::string_view section, std::string_view key);
    void RemoveSection(std::string_view section);

    // The file's bytes: every line ends with CR LF.
    std::string Serialize() const;

private:
    struct KeyLine {
        std::string_view key;
        std::string_view value;
    };
    static std::optional<std::string_view> SectionOf(std::string_view line);
    static std::optional<KeyLine> KeyOf(std::string_view line);
    // Index of the first line of `key` in a section named `section`.
    std::optional<std::size_t> FindKey(std::string_view section, std::string_view key) const;
    std::optional<std::size_t> FindSection(std::string_view section) const;
    // One past the section's lines (its header at `header`).
    std::size_t SectionEnd(std::size_t header) const;

    std::vector<std::string> lines_;
    bool byteOrderMark_ = false;
};

}  // namespace win32::profile
