#include "PanelFile.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "files/IniDocument.h"

namespace qv {

namespace {

const std::string kPanelPrefix = "PANEL ";
const std::string kControlPrefix = "CONTROL ";

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.size() > prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

int getInt(const IniDocument& doc, const std::string& section, const std::string& tag,
           int fallback) {
    std::int32_t v = fallback;
    doc.getInt(section, tag, v);
    return v;
}

std::string getString(const IniDocument& doc, const std::string& section, const std::string& tag) {
    std::string v;
    doc.getString(section, tag, v);
    return v;
}

bool parseKind(const std::string& text, ControlKind& kind) {
    static const std::map<std::string, ControlKind> kinds = {
        {"command", ControlKind::CommandButton},
        {"toggle", ControlKind::ToggleButton},
        {"ring", ControlKind::Ring},
        {"numeric", ControlKind::Numeric},
        {"string", ControlKind::String},
        {"textbox", ControlKind::TextBox},
        {"textmsg", ControlKind::TextMessage},
        {"tab", ControlKind::Tab},
    };
    auto it = kinds.find(text);
    if (it == kinds.end()) {
        return false;
    }
    kind = it->second;
    return true;
}

bool parseType(const std::string& text, ControlKind kind, ValueType& type) {
    if (text.empty()) {
        const bool textual = kind == ControlKind::String || kind == ControlKind::TextBox ||
                             kind == ControlKind::TextMessage;
        type = textual ? ValueType::Text : ValueType::I32;
        return true;
    }
    if (text == "u16") {
        type = ValueType::U16;
    } else if (text == "i32") {
        type = ValueType::I32;
    } else if (text == "text") {
        type = ValueType::Text;
    } else {
        return false;
    }
    return true;
}

Rect readRect(const IniDocument& doc, const std::string& section) {
    return Rect{getInt(doc, section, "TOP", 0), getInt(doc, section, "LEFT", 0),
                getInt(doc, section, "WIDTH", 0), getInt(doc, section, "HEIGHT", 0)};
}

bool readControl(const IniDocument& doc, const std::string& section, ControlState& c,
                 std::vector<std::string>& pageNames) {
    c.constantName = section.substr(kControlPrefix.size());
    std::int32_t id = 0;
    if (doc.getInt(section, "ID", id) != INI_FOUND || id <= 0) {
        return false;
    }
    c.id = id;
    if (!parseKind(getString(doc, section, "KIND"), c.kind) ||
        !parseType(getString(doc, section, "TYPE"), c.kind, c.valueType)) {
        return false;
    }
    c.callbackName = getString(doc, section, "CALLBACK");
    c.label = getString(doc, section, "LABEL");
    c.tooltip = getString(doc, section, "TOOLTIP");
    c.shortcutKey = getString(doc, section, "SHORTCUT");
    c.rect = readRect(doc, section);
    c.dimmed = getInt(doc, section, "DIMMED", 0) != 0;
    c.visible = getInt(doc, section, "VISIBLE", 1) != 0;
    c.text = getString(doc, section, "TEXT");
    c.maxLength = getInt(doc, section, "MAX LENGTH", 0);
    c.minimum = getInt(doc, section, "MIN", 0);
    c.maximum = getInt(doc, section, "MAX", 65535);
    c.increment = getInt(doc, section, "INC", 1);
    c.unit = getString(doc, section, "UNIT");
    c.knob = getInt(doc, section, "KNOB", 0) != 0;
    if (c.minimum > c.maximum) {
        return false;
    }
    for (int n = 1;; ++n) {
        const std::string prefix = "ITEM " + std::to_string(n);
        std::int32_t value = 0;
        if (doc.getInt(section, prefix + " VALUE", value) != INI_FOUND) {
            break;
        }
        c.items.push_back(RingItem{getString(doc, section, prefix + " LABEL"), value});
    }
    if (c.kind == ControlKind::Ring && c.items.empty()) {
        return false;
    }
    c.value = getInt(doc, section, "VALUE",
                     c.kind == ControlKind::Ring ? c.items.front().value : c.minimum);
    if (c.kind == ControlKind::Ring &&
        std::none_of(c.items.begin(), c.items.end(),
                     [&](const RingItem& item) { return item.value == c.value; })) {
        return false;
    }
    if (c.kind == ControlKind::Tab) {
        std::istringstream pages(getString(doc, section, "PAGES"));
        for (std::string name; pages >> name;) {
            pageNames.push_back(name);
        }
        if (pageNames.empty()) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool readPanelFile(const std::string& path, int resource, std::vector<PanelState>& panels) {
    IniDocument doc;
    if (doc.readFromFile(path) != 0) {
        return false;
    }
    const std::vector<std::string> sections = doc.sectionNames();

    std::string topName;
    for (const std::string& s : sections) {
        if (startsWith(s, kPanelPrefix) && getInt(doc, s, "RESOURCE", 0) == resource) {
            topName = s.substr(kPanelPrefix.size());
            break;
        }
    }
    if (topName.empty()) {
        return false;
    }

    auto readPanel = [&](const std::string& name) {
        const std::string section = kPanelPrefix + name;
        PanelState p;
        p.constantName = name;
        p.title = getString(doc, section, "TITLE");
        p.callbackName = getString(doc, section, "CALLBACK");
        p.rect = readRect(doc, section);
        return p;
    };

    panels.clear();
    panels.push_back(readPanel(topName));
    std::map<std::string, std::size_t> position{{topName, 0}};
    std::vector<std::pair<std::string, std::vector<std::string>>> tabs;  // tab control, pages

    // Controls first go to their panel by name; tab pages are added as the tabs name them.
    std::map<std::string, std::vector<ControlState>> controlsByPanel;
    for (const std::string& s : sections) {
        if (!startsWith(s, kControlPrefix)) {
            continue;
        }
        ControlState c;
        std::vector<std::string> pageNames;
        if (!readControl(doc, s, c, pageNames)) {
            return false;
        }
        const std::string owner = getString(doc, s, "PANEL");
        if (c.kind == ControlKind::Tab && owner == topName) {
            tabs.emplace_back(c.constantName, pageNames);
        }
        controlsByPanel[owner].push_back(std::move(c));
    }
    for (const auto& [tab, pageNames] : tabs) {
        for (const std::string& page : pageNames) {
            const std::string section = kPanelPrefix + page;
            if (!doc.hasSection(section) || getString(doc, section, "PARENT") != topName ||
                position.count(page) != 0) {
                return false;
            }
            position[page] = panels.size();
            panels.push_back(readPanel(page));
        }
    }
    for (auto& [owner, controls] : controlsByPanel) {
        auto where = position.find(owner);
        if (where == position.end()) {
            continue;  // belongs to another top-level panel of the file
        }
        PanelState& p = panels[where->second];
        for (ControlState& c : controls) {
            if (c.kind == ControlKind::Tab) {
                for (const auto& [tab, pageNames] : tabs) {
                    if (tab != c.constantName) {
                        continue;
                    }
                    for (const std::string& page : pageNames) {
                        const std::size_t index = position[page];
                        c.pages.push_back(
                            TabPage{static_cast<int>(index), panels[index].title, true});
                    }
                }
            }
            if (!p.controls.emplace(c.id, std::move(c)).second) {
                return false;  // two controls with one id on the same panel
            }
        }
    }
    return true;
}

bool applyLanguageFile(const std::string& path, const std::vector<PanelState*>& panels) {
    IniDocument doc;
    if (doc.readFromFile(path) != 0) {
        return false;
    }
    std::string text;
    for (PanelState* p : panels) {
        if (doc.getString(p->constantName, "TITLE", text) > 0) {
            p->title = text;
        }
        for (auto& [id, c] : p->controls) {
            if (c.constantName.empty()) {
                continue;  // made at run time; no language file knows it
            }
            if (doc.getString(c.constantName, "LABEL", text) > 0) {
                c.label = text;
            }
            if (doc.getString(c.constantName, "TOOLTIP", text) > 0) {
                c.tooltip = text;
            }
            for (std::size_t n = 0; n < c.items.size(); ++n) {
                if (doc.getString(c.constantName, "ITEM " + std::to_string(n + 1), text) > 0) {
                    c.items[n].label = text;
                }
            }
        }
    }
    // A tab's labels are its pages' titles.
    for (PanelState* p : panels) {
        for (auto& [id, c] : p->controls) {
            for (TabPage& page : c.pages) {
                for (const PanelState* q : panels) {
                    if (q->handle == page.panel) {
                        page.label = q->title;
                    }
                }
            }
        }
    }
    return true;
}

}  // namespace qv
