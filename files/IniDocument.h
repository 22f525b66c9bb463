#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// Results of the INI operations. Callers test getters for "> 0" (strings) or "== 1" (integers)
// and treat everything else as a missing item.
enum IniResult : int {
    INI_FOUND = 1,
    INI_NOT_FOUND = 0,
    INI_ERR_OUT_OF_MEMORY = -12,
    INI_ERR_NO_DOCUMENT = -65,
    INI_ERR_OTHER_OUTPUT = -93,
    INI_ERR_ACCESS_DENIED = -95,
    INI_ERR_DISK_FULL = -97,
    INI_ERR_OPEN = -5001,
    INI_ERR_NOT_INTEGER = -5021
};

// Longest value text (escaped, without quotes) written on one line; longer values are written
// as numbered " Line0001" pieces of this size.
inline constexpr std::size_t kIniMaxValueLineLength = 80;
// Lines read back longer than this are cut; the rest of the line is dropped.
inline constexpr std::size_t kIniMaxReadLineLength = 1024;

// The escaping used for string values in the file: backslash, quote, TAB, LF and CR as
// two-character escapes, other control characters as "\xhh", everything else unchanged.
std::string escapeIniString(const std::string& text);
// The inverse, as applied by the string getters to every value, quoted or not.
std::string unescapeIniString(const std::string& text);

// An ordered list of sections, each an ordered list of items, with automatic sorting off:
// sections and items keep the order in which they were first put or read.
// Item values are held as they stand in the file (escaped, quotes removed), so a document read
// from disk and one built by puts answer the getters the same way.
class IniDocument {
  public:
    IniDocument();

    // Both return 0, or INI_ERR_OUT_OF_MEMORY. Putting an existing tag replaces every item of
    // that tag; the new item stands where the first of them stood.
    int putString(const std::string& section, const std::string& tag, const std::string& value);
    int putInt(const std::string& section, const std::string& tag, std::int32_t value);

    // Exactly the text writeToFile writes.
    std::string toText() const;
    // Atomic: 0 on success; on failure a negative IniResult and any older file stays whole.
    int writeToFile(const std::string& path) const;
    // Replaces the content: 0 on success, INI_ERR_OPEN (content unchanged) if the file cannot
    // be opened or read.
    int readFromFile(const std::string& path);
    // Replaces the content with the document read from text.
    void parse(const std::string& text);

    // INI_FOUND with the unescaped value cut to bufferSize - 1 bytes (never inside a UTF-8
    // sequence); otherwise INI_NOT_FOUND and value "".
    int getStringIntoBuffer(const std::string& section, const std::string& tag, std::string& value,
                            std::size_t bufferSize) const;
    // Same, without the cut.
    int getString(const std::string& section, const std::string& tag, std::string& value) const;
    // INI_FOUND and value set; INI_NOT_FOUND (also for a value of only white space);
    // INI_ERR_NOT_INTEGER. The value is untouched unless the result is INI_FOUND.
    int getInt(const std::string& section, const std::string& tag, std::int32_t& value) const;

    // In document order, duplicates kept as read.
    std::vector<std::string> sectionNames() const;
    // Tags of the first matching section, in order; empty if there is no such section.
    std::vector<std::string> tags(const std::string& section) const;
    bool hasSection(const std::string& section) const;
    bool hasItem(const std::string& section, const std::string& tag) const;

    void clear();

  private:
    struct Item {
        std::string tag;
        std::string value;  // as in the file: escaped, without the enclosing quotes
        bool quoted = false;
    };
    struct Section {
        std::string name;
        std::vector<Item> items;
    };

    void put(const std::string& section, const std::string& tag, std::string rawValue, bool quoted);
    const Section* findSection(const std::string& name) const;
    const Item* findItem(const std::string& section, const std::string& tag) const;

    std::vector<Section> sections_;
};

}  // namespace qv
