#include "markup.h"

#include "wide_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

namespace speech {
namespace {

constexpr unsigned kLongestSilenceMs = 60 * 60 * 1000;

struct Tag {
    std::string name;  // lower case
    std::map<std::string, std::string> attributes;  // names lower case
    bool closing = false;
    bool selfClosing = false;
};

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::optional<int> Number(const Tag& tag, const char* attribute)
{
    auto it = tag.attributes.find(attribute);
    if (it == tag.attributes.end()) return std::nullopt;
    std::string_view value = it->second;
    while (!value.empty() && IsSpace(value.front())) value.remove_prefix(1);
    if (!value.empty() && value.front() == '+') value.remove_prefix(1);
    long long number = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end == value.data()) return std::nullopt;
    return static_cast<int>(std::clamp<long long>(number, -1000000000, 1000000000));
}

// Parses the inside of <...>; nullopt for comments, declarations and processing instructions.
std::optional<Tag> ParseTag(std::string_view body)
{
    if (body.empty() || body.front() == '!' || body.front() == '?') return std::nullopt;
    Tag tag;
    if (body.front() == '/') {
        tag.closing = true;
        body.remove_prefix(1);
    }
    if (!body.empty() && body.back() == '/') {
        tag.selfClosing = true;
        body.remove_suffix(1);
    }
    std::size_t i = 0;
    while (i < body.size() && !IsSpace(body[i])) ++i;
    tag.name = Lower(body.substr(0, i));
    while (i < body.size()) {
        while (i < body.size() && IsSpace(body[i])) ++i;
        std::size_t nameStart = i;
        while (i < body.size() && body[i] != '=' && !IsSpace(body[i])) ++i;
        std::string name = Lower(body.substr(nameStart, i - nameStart));
        while (i < body.size() && IsSpace(body[i])) ++i;
        if (i >= body.size() || body[i] != '=') {
            if (name.empty()) break;
            continue;
        }
        ++i;
        while (i < body.size() && IsSpace(body[i])) ++i;
        if (i >= body.size()) break;
        char quote = body[i];
        std::string value;
        if (quote == '"' || quote == '\'') {
            std::size_t close = body.find(quote, i + 1);
            if (close == std::string_view::npos) close = body.size();
            value = std::string(body.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            std::size_t start = i;
            while (i < body.size() && !IsSpace(body[i])) ++i;
            value = std::string(body.substr(start, i - start));
        }
        if (!name.empty()) tag.attributes[name] = value;
    }
    return tag;
}

void AppendCodePoint(std::string& out, unsigned long c)
{
    if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) c = 0xFFFD;
    std::u16string wide;
    if (c < 0x10000) {
        wide += static_cast<char16_t>(c);
    } else {
        wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
    out += Utf16ToUtf8(wide);
}

// `text` with its entities decoded into `out`; `entity` is told the bytes of `out`
// and of `text` after each entity, where the two run alike again.
template <typename OnEntity>
void DecodeEntities(std::string_view text, std::string& out, OnEntity entity)
{
    static const std::map<std::string_view, char> kNamed = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t semicolon = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
        if (semicolon == std::string_view::npos || semicolon - i > 10) {
            out += text[i++];
            continue;
        }
        std::string_view name = text.substr(i + 1, semicolon - i - 1);
        if (auto named = kNamed.find(name); named != kNamed.end()) {
            out += named->second;
        } else if (name.size() > 1 && name[0] == '#') {
            bool hex = name[1] == 'x' || name[1] == 'X';
            std::string_view digits = name.substr(hex ? 2 : 1);
            unsigned long code = 0;
            auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
            if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
                out += text[i++];
                continue;
            }
            AppendCodePoint(out, code);
        } else {
            out += text[i++];
            continue;
        }
        i = semicolon + 1;
        entity(out.size(), i);
    }
}

// UTF-16 units of a UTF-8 text's bytes, walking on from the last byte asked for.
class UnitCounter {
public:
    explicit UnitCounter(std::string_view text) : text_(text) {}
    std::size_t UnitOf(std::size_t byte)
    {
        for (; byte_ < byte && byte_ < text_.size(); ++byte_) {
            const auto c = static_cast<unsigned char>(text_[byte_]);
            if ((c & 0xC0) != 0x80) unit_ += c >= 0xF0 ? 2 : 1;
        }
        return unit_;
    }

private:
    std::string_view text_;
    std::size_t byte_ = 0, unit_ = 0;
};

class MarkupReader {
public:
    explicit MarkupReader(std::string_view text) : text_(text), units_(text) {}

    std::vector<SpeechPiece> Read()
    {
        const std::string_view text = text_;
        std::size_t i = 0;
        while (i < text.size()) {
            std::size_t open = text.find('<', i);
            AddText(i, text.substr(i, open == std::string_view::npos ? std::string_view::npos : open - i));
            if (open == std::string_view::npos) break;
            if (text.compare(open, 4, "<!--") == 0) {
                std::size_t end = text.find("-->", open + 4);
                i = end == std::string_view::npos ? text.size() : end + 3;
                continue;
            }
            std::size_t close = text.find('>', open);
            if (close == std::string_view::npos) break;  // an unfinished tag is not spoken
            if (auto tag = ParseTag(text.substr(open + 1, close - open - 1))) Apply(*tag);
            i = close + 1;
        }
        return std::move(pieces_);
    }

private:
    struct Open {
        std::string name;
        SpeechPiece saved;
    };

    // The text between tags from byte `from` of the request.
    void AddText(std::size_t from, std::string_view raw)
    {
        if (raw.empty()) return;
        if (pieces_.empty() || pieces_.back().kind != SpeechPiece::Kind::Text || !SameStyle(pieces_.back(), state_)) {
            SpeechPiece piece = state_;
            piece.text.clear();
            piece.source.clear();
            pieces_.push_back(std::move(piece));
        }
        SpeechPiece& piece = pieces_.back();
        piece.source.push_back({piece.text.size(), units_.UnitOf(from)});
        DecodeEntities(raw, piece.text, [&](std::size_t at, std::size_t rawAt) {
            piece.source.push_back({at, units_.UnitOf(from + rawAt)});
        });
    }

    static bool SameStyle(const SpeechPiece& a, const SpeechPiece& b)
    {
        return a.absoluteRate == b.absoluteRate && a.rateChange == b.rateChange && a.pitch == b.pitch
            && a.volume == b.volume && a.emphasis == b.emphasis && a.spell == b.spell;
    }

    void Apply(const Tag& tag)
    {
        if (tag.closing) {
            for (std::size_t k = open_.size(); k-- > 0;) {
                if (open_[k].name != tag.name) continue;
                state_ = open_[k].saved;
                open_.resize(k);
                break;
            }
            return;
        }
        if (tag.name == "bookmark") {
            SpeechPiece mark;
            mark.kind = SpeechPiece::Kind::Bookmark;
            if (auto name = tag.attributes.find("mark"); name != tag.attributes.end()) mark.text = name->second;
            pieces_.push_back(mark);
            return;
        }
        if (tag.name == "silence") {
            SpeechPiece silence;
            silence.kind = SpeechPiece::Kind::Silence;
            silence.silenceMs = static_cast<unsigned>(std::clamp(Number(tag, "msec").value_or(0), 0,
                                                                 static_cast<int>(kLongestSilenceMs)));
            if (silence.silenceMs) pieces_.push_back(silence);
            return;
        }
        SpeechPiece before = state_;
        if (tag.name == "rate") {
            if (auto absolute = Number(tag, "absspeed")) {
                state_.absoluteRate = std::clamp(*absolute, -10, 10);
                state_.rateChange = 0;
            }
            if (auto change = Number(tag, "speed")) state_.rateChange = std::clamp(state_.rateChange + *change, -20, 20);
        } else if (tag.name == "volume") {
            if (auto level = Number(tag, "level")) state_.volume = std::clamp(*level, 0, 100);
        } else if (tag.name == "pitch") {
            if (auto absolute = Number(tag, "absmiddle")) state_.pitch = std::clamp(*absolute, -10, 10);
            if (auto change = Number(tag, "middle")) state_.pitch = std::clamp(state_.pitch + *change, -10, 10);
        } else if (tag.name == "emph") {
            state_.emphasis = true;
        } else if (tag.name == "spell") {
            state_.spell = true;
        }
        // Any other tag only scopes: its end restores what it enclosed.
        if (!tag.selfClosing) open_.push_back({tag.name, before});
    }

    std::string_view text_;
    UnitCounter units_;
    SpeechPiece state_;
    std::vector<Open> open_;
    std::vector<SpeechPiece> pieces_;
};

}  // namespace

std::vector<SpeechPiece> PlainText(std::u16string_view text)
{
    if (text.empty()) return {};
    SpeechPiece piece;
    piece.text = Utf16ToUtf8(text);
    return {piece};
}

std::vector<SpeechPiece> ParseMarkup(std::u16string_view text)
{
    const std::string utf8 = Utf16ToUtf8(text);
    return MarkupReader(utf8).Read();
}

bool LooksLikeMarkup(std::u16string_view text)
{
    for (char16_t c : text) {
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n') continue;
        return c == u'<';
    }
    return false;
}

}  // namespace speech
