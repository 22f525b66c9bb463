#include "files/IniDocument.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>
#include <string_view>
#include <utility>

#include "files/AtomicFile.h"

namespace qv {
namespace {

constexpr std::size_t kMaxTagLength = 255;
// Leaves room for " Line" and four digits within kMaxTagLength.
constexpr std::size_t kMaxSplitTagLength = 246;
constexpr std::string_view kLineSuffix = " Line";

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isWhiteSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && isWhiteSpace(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(x) == asciiLower(y);
           });
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t utf8SequenceLength(char lead) {
    const auto b = static_cast<unsigned char>(lead);
    if ((b & 0xE0) == 0xC0) {
        return 2;
    }
    if ((b & 0xF0) == 0xE0) {
        return 3;
    }
    if ((b & 0xF8) == 0xF0) {
        return 4;
    }
    return 0;
}

// Cuts text to at most maxBytes bytes. A cut that would split a well-formed UTF-8 sequence
// moves before it, as a cut never splits a double-byte character; other bytes are cut by count.
std::string cutText(const std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t cut = maxBytes;
    std::size_t lead = cut;
    while (lead > 0 && cut - lead < 4 && isUtf8Continuation(text[lead])) {
        --lead;
    }
    const std::size_t length = utf8SequenceLength(text[lead]);
    if (lead < cut && length > 0 && lead + length > cut && lead + length <= text.size()) {
        bool wellFormed = true;
        for (std::size_t i = lead + 1; i < lead + length; ++i) {
            wellFormed = wellFormed && isUtf8Continuation(text[i]);
        }
        if (wellFormed) {
            cut = lead;
        }
    }
    return text.substr(0, cut);
}

// Recognises the tag of one piece of a split value: "<base> Line<digits>".
bool splitPieceTag(std::string_view tag, std::string_view& base, unsigned long& number) {
    std::size_t digits = tag.size();
    while (digits > 0 && isDigit(tag[digits - 1])) {
        --digits;
    }
    if (digits == tag.size() || digits < kLineSuffix.size() ||
        tag.substr(digits - kLineSuffix.size(), kLineSuffix.size()) != kLineSuffix) {
        return false;
    }
    base = trim(tag.substr(0, digits - kLineSuffix.size()));
    if (base.empty()) {
        return false;
    }
    number = 0;
    for (std::size_t i = digits; i < tag.size(); ++i) {
        // Saturates: a number this large never continues a run.
        number = std::min<unsigned long>(number * 10 + static_cast<unsigned long>(tag[i] - '0'),
                                         100000000UL);
    }
    return true;
}

std::string pieceNumber(std::size_t k) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%04zu", k);
    return digits;
}

}  // namespace

std::string escapeIniString(const std::string& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                // A NUL byte is kept as "\x00" too, so that nothing in a value is lost.
                if (code < 32 || code == 127) {
                    out += "\\x";
                    out += kHex[code >> 4];
                    out += kHex[code & 0x0F];
                } else {
                    out += c;
                }
        }
    }
    return out;
}

std::string unescapeIniString(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 == text.size()) {
            break;  // a single backslash at the very end is dropped
        }
        const char next = text[++i];
        switch (next) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'x':
                if (i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                    hexValue(text[i + 2]) >= 0) {
                    out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
                    i += 2;
                } else {
                    out += 'x';
                }
                break;
            default:
                out += next;
        }
    }
    return out;
}

IniDocument::IniDocument() = default;

void IniDocument::clear() {
    sections_.clear();
}

void IniDocument::put(const std::string& section, const std::string& tag, std::string rawValue,
                      bool quoted) {
    const std::string_view name = trim(section);
    const std::string_view key = trim(tag);

    auto sectionIt = std::find_if(sections_.begin(), sections_.end(),
                                  [&](const Section& s) { return equalsIgnoreCase(s.name, name); });
    if (sectionIt == sections_.end()) {
        sections_.push_back(Section{std::string(name), {}});
        sectionIt = std::prev(sections_.end());
    }
    std::vector<Item>& items = sectionIt->items;
    Item item{std::string(key), std::move(rawValue), quoted};

    auto matches = [&](const Item& existing) { return equalsIgnoreCase(existing.tag, key); };
    const auto first = std::find_if(items.begin(), items.end(), matches);
    if (first == items.end()) {
        items.push_back(std::move(item));
        return;
    }
    *first = std::move(item);
    items.erase(std::remove_if(std::next(first), items.end(), matches), items.end());
}

int IniDocument::putString(const std::string& section, const std::string& tag,
                           const std::string& value) {
    try {
        put(section, tag, escapeIniString(value), true);
        return 0;
    } catch (const std::bad_alloc&) {
        return INI_ERR_OUT_OF_MEMORY;
    }
}

int IniDocument::putInt(const std::string& section, const std::string& tag, std::int32_t value) {
    try {
        put(section, tag, std::to_string(value), false);
        return 0;
    } catch (const std::bad_alloc&) {
        return INI_ERR_OUT_OF_MEMORY;
    }
}

std::string IniDocument::toText() const {
    static constexpr std::string_view kLineEnd = "\r\n";
    std::string out;
    for (const Section& section : sections_) {
        out += '[';
        out += section.name;
        out += ']';
        out += kLineEnd;
        for (const Item& item : section.items) {
            const std::string_view quote = item.quoted ? "\"" : "";
            if (item.value.size() <= kIniMaxValueLineLength) {
                out += std::string_view(item.tag).substr(0, kMaxTagLength);
                out += " = ";
                out += quote;
                out += item.value;
                out += quote;
                out += kLineEnd;
                continue;
            }
            std::size_t k = 1;
            for (std::size_t offset = 0; offset < item.value.size();
                 offset += kIniMaxValueLineLength, ++k) {
                out += std::string_view(item.tag).substr(0, kMaxSplitTagLength);
                out += kLineSuffix;
                out += pieceNumber(k);
                out += " = ";
                out += quote;
                out += std::string_view(item.value).substr(offset, kIniMaxValueLineLength);
                out += quote;
                out += kLineEnd;
            }
        }
        out += kLineEnd;
    }
    return out;
}

int IniDocument::writeToFile(const std::string& path) const {
    try {
        return writeFileAtomically(path, toText());
    } catch (const std::bad_alloc&) {
        return INI_ERR_OUT_OF_MEMORY;
    }
}

int IniDocument::readFromFile(const std::string& path) {
    try {
        std::FILE* in = std::fopen(path.c_str(), "rb");
        if (in == nullptr) {
            return INI_ERR_OPEN;
        }
        std::string text;
        char chunk[8192];
        std::size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) {
            text.append(chunk, got);
        }
        const bool failed = std::ferror(in) != 0;
        std::fclose(in);
        if (failed) {
            return INI_ERR_OPEN;  // e.g. a directory: opened, but nothing can be read
        }
        parse(text);
        return 0;
    } catch (const std::bad_alloc&) {
        return INI_ERR_OUT_OF_MEMORY;
    }
}

void IniDocument::parse(const std::string& text) {
    std::vector<Section> sections;

    auto handleLine = [&sections](std::string_view line) {
        std::size_t start = 0;
        while (start < line.size() && isWhiteSpace(line[start])) {
            ++start;
        }
        line.remove_prefix(start);
        if (line.empty() || line.front() == ';') {
            return;  // comments are not kept: documents are only ever written from puts
        }
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string_view::npos || !trim(line.substr(close + 1)).empty()) {
                return;
            }
            const std::string_view name = trim(line.substr(1, close - 1));
            if (!name.empty()) {
                sections.push_back(Section{std::string(name), {}});
            }
            return;
        }
        const std::size_t separator = line.find('=');
        if (separator == std::string_view::npos || sections.empty()) {
            return;
        }
        const std::string_view tag = trim(line.substr(0, separator));
        std::string_view value = trim(line.substr(separator + 1));
        if (tag.empty() || value.empty()) {
            return;
        }
        bool quoted = false;
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
            quoted = true;
        }
        sections.back().items.push_back(Item{std::string(tag), std::string(value), quoted});
    };

    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n' && text[end] != '\0') {
            ++end;
        }
        handleLine(std::string_view(text).substr(pos, std::min(end - pos, kIniMaxReadLineLength)));
        if (end < text.size()) {
            const char first = text[end++];
            if (end < text.size() &&
                ((first == '\r' && text[end] == '\n') || (first == '\n' && text[end] == '\r'))) {
                ++end;
            }
        }
        pos = end;
    }

    // Values written as " Line0001", " Line0002", ... pieces become one item again.
    for (Section& section : sections) {
        std::vector<Item> joined;
        joined.reserve(section.items.size());
        const std::vector<Item>& items = section.items;
        for (std::size_t i = 0; i < items.size(); ++i) {
            std::string_view base;
            unsigned long number = 0;
            if (!splitPieceTag(items[i].tag, base, number) || number != 1) {
                joined.push_back(items[i]);
                continue;
            }
            Item whole{std::string(base), items[i].value, items[i].quoted};
            unsigned long expected = 2;
            std::size_t next = i + 1;
            std::string_view nextBase;
            while (next < items.size() && splitPieceTag(items[next].tag, nextBase, number) &&
                   number == expected && equalsIgnoreCase(nextBase, base)) {
                whole.value += items[next].value;
                ++expected;
                ++next;
            }
            joined.push_back(std::move(whole));
            i = next - 1;
        }
        section.items = std::move(joined);
    }

    sections_ = std::move(sections);
}

const IniDocument::Section* IniDocument::findSection(const std::string& name) const {
    const std::string_view wanted = trim(name);
    for (const Section& section : sections_) {
        if (equalsIgnoreCase(section.name, wanted)) {
            return &section;
        }
    }
    return nullptr;
}

const IniDocument::Item* IniDocument::findItem(const std::string& section,
                                               const std::string& tag) const {
    const Section* found = findSection(section);
    if (found == nullptr) {
        return nullptr;
    }
    const std::string_view wanted = trim(tag);
    for (const Item& item : found->items) {
        if (equalsIgnoreCase(item.tag, wanted)) {
            return &item;
        }
    }
    return nullptr;
}

int IniDocument::getStringIntoBuffer(const std::string& section, const std::string& tag,
                                     std::string& value, std::size_t bufferSize) const {
    value.clear();
    const Item* item = findItem(section, tag);
    if (item == nullptr) {
        return INI_NOT_FOUND;
    }
    try {
        value = cutText(unescapeIniString(item->value), bufferSize == 0 ? 0 : bufferSize - 1);
    } catch (const std::bad_alloc&) {
        value.clear();
        return INI_ERR_OUT_OF_MEMORY;
    }
    return INI_FOUND;
}

int IniDocument::getString(const std::string& section, const std::string& tag,
                           std::string& value) const {
    return getStringIntoBuffer(section, tag, value, std::numeric_limits<std::size_t>::max());
}

int IniDocument::getInt(const std::string& section, const std::string& tag,
                        std::int32_t& value) const {
    const Item* item = findItem(section, tag);
    if (item == nullptr) {
        return INI_NOT_FOUND;
    }
    const std::string& text = item->value;
    std::size_t i = 0;
    while (i < text.size() && isWhiteSpace(text[i])) {
        ++i;
    }
    if (i == text.size()) {
        return INI_NOT_FOUND;
    }
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t firstDigit = i;
    std::int64_t magnitude = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    while (i < text.size() && isDigit(text[i])) {
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), kLimit + 1);
        ++i;
    }
    if (i == firstDigit) {
        return INI_ERR_NOT_INTEGER;
    }
    while (i < text.size() && isWhiteSpace(text[i])) {
        ++i;
    }
    if (i != text.size()) {
        return INI_ERR_NOT_INTEGER;
    }
    const std::int64_t number = negative ? -magnitude : magnitude;
    if (number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        return INI_ERR_NOT_INTEGER;
    }
    value = static_cast<std::int32_t>(number);
    return INI_FOUND;
}

std::vector<std::string> IniDocument::sectionNames() const {
    std::vector<std::string> names;
    names.reserve(sections_.size());
    for (const Section& section : sections_) {
        names.push_back(section.name);
    }
    return names;
}

std::vector<std::string> IniDocument::tags(const std::string& section) const {
    std::vector<std::string> result;
    if (const Section* found = findSection(section)) {
        for (const Item& item : found->items) {
            result.push_back(item.tag);
        }
    }
    return result;
}

bool IniDocument::hasSection(const std::string& section) const {
    return findSection(section) != nullptr;
}

bool IniDocument::hasItem(const std::string& section, const std::string& tag) const {
    return findItem(section, tag) != nullptr;
}

}  // namespace qv
