#include "platform/PanelModel.h"

#include <algorithm>

#include "PanelFile.h"

namespace qv {

struct PanelModel::Impl {
    std::map<int, PanelState> panels;
    int nextHandle = 1;
    std::map<std::string, ControlCallback> controlCallbacks;
    std::map<std::string, PanelCallback> panelCallbacks;
    std::vector<PanelObserver*> observers;
    int screenWidth = 1280;
    int screenHeight = 1024;

    PanelState* findPanel(int panel) {
        auto it = panels.find(panel);
        return it == panels.end() ? nullptr : &it->second;
    }
    const PanelState* findPanel(int panel) const {
        auto it = panels.find(panel);
        return it == panels.end() ? nullptr : &it->second;
    }
    ControlState* findControl(int panel, int control) {
        PanelState* p = findPanel(panel);
        if (p == nullptr) {
            return nullptr;
        }
        auto it = p->controls.find(control);
        return it == p->controls.end() ? nullptr : &it->second;
    }
    const ControlState* findControl(int panel, int control) const {
        const PanelState* p = findPanel(panel);
        if (p == nullptr) {
            return nullptr;
        }
        auto it = p->controls.find(control);
        return it == p->controls.end() ? nullptr : &it->second;
    }
    int missing(int panel) const {
        return findPanel(panel) == nullptr ? PANEL_ERR_NO_PANEL : PANEL_ERR_NO_CONTROL;
    }

    // Observers may detach while being told, so each notification walks a copy.
    template <typename F>
    void notify(F&& f) {
        auto copy = observers;
        for (PanelObserver* o : copy) {
            if (std::find(observers.begin(), observers.end(), o) != observers.end()) {
                f(o);
            }
        }
    }
    void controlChanged(int panel, int control) {
        notify([&](PanelObserver* o) { o->controlChanged(panel, control); });
    }
    // Applies `change` to an existing control. PANEL_OK means the control changed and the
    // observers are told; kUnchanged means there was nothing to do (PANEL_OK to the caller);
    // an error changed nothing and is passed on.
    static constexpr int kUnchanged = 1;
    template <typename F>
    int changeControl(int panel, int control, F&& change) {
        ControlState* c = findControl(panel, control);
        if (c == nullptr) {
            return missing(panel);
        }
        const int result = change(*c);
        if (result == kUnchanged) {
            return PANEL_OK;
        }
        if (result == PANEL_OK) {
            controlChanged(panel, control);
        }
        return result;
    }
    void panelChanged(int panel) {
        notify([&](PanelObserver* o) { o->panelChanged(panel); });
    }

    bool acceptsInput(int panel, int control) const {
        const ControlState* c = findControl(panel, control);
        return c != nullptr && !c->dimmed && c->visible;
    }

    static std::int64_t cutToWidth(const ControlState& c, std::int64_t value) {
        switch (c.valueType) {
            case ValueType::U16:
                return static_cast<std::uint16_t>(value);
            case ValueType::I32:
                return static_cast<std::int32_t>(value);
            case ValueType::Text:
                break;
        }
        return value;
    }

    int callControl(int panel, int control, int event, int d1, int d2) {
        const ControlState* c = findControl(panel, control);
        if (c == nullptr) {
            return 0;
        }
        auto it = controlCallbacks.find(c->callbackName);
        if (it == controlCallbacks.end()) {
            return 0;
        }
        // The callback may rebind or discard; keep our own copy while it runs.
        ControlCallback callback = it->second;
        return callback(panel, control, event, d1, d2);
    }
};

PanelModel::PanelModel() : impl_(std::make_unique<Impl>()) {}
PanelModel::~PanelModel() = default;

int PanelModel::loadPanel(int parent, const std::string& path, int resource) {
    std::vector<PanelState> loaded;
    if (!readPanelFile(path, resource, loaded) || loaded.empty()) {
        return PANEL_ERR_FILE;
    }
    for (PanelState& p : loaded) {
        p.handle = impl_->nextHandle++;
    }
    loaded.front().parentHandle = parent;
    for (std::size_t i = 1; i < loaded.size(); ++i) {
        loaded[i].parentHandle = loaded.front().handle;
    }
    // The file gives each tab page as the position of its panel in `loaded`.
    for (PanelState& p : loaded) {
        for (auto& [id, c] : p.controls) {
            for (TabPage& page : c.pages) {
                page.panel = loaded[static_cast<std::size_t>(page.panel)].handle;
            }
        }
    }
    const int handle = loaded.front().handle;
    for (PanelState& p : loaded) {
        impl_->panels.emplace(p.handle, std::move(p));
    }
    return handle;
}

int PanelModel::discardPanel(int panel) {
    PanelState* p = impl_->findPanel(panel);
    if (p == nullptr) {
        return PANEL_ERR_NO_PANEL;
    }
    std::vector<int> doomed{panel};
    for (const auto& [h, state] : impl_->panels) {
        if (state.parentHandle == panel) {
            doomed.push_back(h);
        }
    }
    // The view drops its widgets before the state goes.
    impl_->notify([&](PanelObserver* o) { o->panelDiscarded(panel); });
    for (int h : doomed) {
        impl_->panels.erase(h);
    }
    return PANEL_OK;
}

int PanelModel::localizePanel(int panel, const std::string& languageFile) {
    PanelState* top = impl_->findPanel(panel);
    if (top == nullptr) {
        return PANEL_ERR_NO_PANEL;
    }
    std::vector<PanelState*> targets{top};
    for (auto& [h, state] : impl_->panels) {
        if (state.parentHandle == panel) {
            targets.push_back(&state);
        }
    }
    if (!applyLanguageFile(languageFile, targets)) {
        return PANEL_ERR_FILE;
    }
    for (PanelState* p : targets) {
        impl_->panelChanged(p->handle);
        for (const auto& [id, c] : p->controls) {
            impl_->controlChanged(p->handle, id);
        }
    }
    return PANEL_OK;
}

int PanelModel::setValue(int panel, int control, std::int64_t value) {
    ControlState* c = impl_->findControl(panel, control);
    if (c == nullptr) {
        return impl_->missing(panel);
    }
    switch (c->kind) {
        case ControlKind::ToggleButton:
            c->value = Impl::cutToWidth(*c, value);
            break;
        case ControlKind::Ring: {
            const std::int64_t v = Impl::cutToWidth(*c, value);
            const bool listed = std::any_of(c->items.begin(), c->items.end(),
                                            [&](const RingItem& item) { return item.value == v; });
            if (!listed) {
                return PANEL_ERR_NOT_IN_LIST;
            }
            c->value = v;
            break;
        }
        case ControlKind::Numeric:
            c->value =
                std::clamp<std::int64_t>(Impl::cutToWidth(*c, value), c->minimum, c->maximum);
            break;
        case ControlKind::Tab:
            return setActiveTabPage(panel, control, static_cast<int>(value));
        default:
            return PANEL_ERR_WRONG_KIND;
    }
    impl_->controlChanged(panel, control);
    return PANEL_OK;
}

int PanelModel::setText(int panel, int control, const std::string& text) {
    return impl_->changeControl(panel, control, [&](ControlState& c) -> int {
        switch (c.kind) {
            case ControlKind::TextBox:
                c.text += text;
                break;
            case ControlKind::String:
                c.text = c.maxLength > 0 && text.size() > static_cast<std::size_t>(c.maxLength)
                             ? text.substr(0, static_cast<std::size_t>(c.maxLength))
                             : text;
                break;
            case ControlKind::TextMessage:
                c.text = text;
                break;
            default:
                return PANEL_ERR_WRONG_KIND;
        }
        return PANEL_OK;
    });
}

std::int64_t PanelModel::value(int panel, int control) const {
    const ControlState* c = impl_->findControl(panel, control);
    if (c == nullptr) {
        return 0;
    }
    if (c->kind == ControlKind::Tab) {
        return c->activePage;
    }
    return c->value;
}

std::string PanelModel::text(int panel, int control) const {
    const ControlState* c = impl_->findControl(panel, control);
    return c == nullptr ? std::string() : c->text;
}

int PanelModel::resetTextBox(int panel, int control, const std::string& text) {
    return impl_->changeControl(panel, control, [&](ControlState& c) -> int {
        if (c.kind != ControlKind::TextBox) {
            return PANEL_ERR_WRONG_KIND;
        }
        c.text = text;
        return PANEL_OK;
    });
}

int PanelModel::setDimmed(int panel, int control, bool dimmed) {
    return impl_->changeControl(panel, control, [&](ControlState& c) -> int {
        if (c.dimmed == dimmed) {
            return Impl::kUnchanged;
        }
        c.dimmed = dimmed;
        return PANEL_OK;
    });
}

bool PanelModel::dimmed(int panel, int control) const {
    const ControlState* c = impl_->findControl(panel, control);
    return c != nullptr && c->dimmed;
}

int PanelModel::setVisible(int panel, int control, bool visible) {
    return impl_->changeControl(panel, control, [&](ControlState& c) -> int {
        if (c.visible == visible) {
            return Impl::kUnchanged;
        }
        c.visible = visible;
        return PANEL_OK;
    });
}

bool PanelModel::visible(int panel, int control) const {
    const ControlState* c = impl_->findControl(panel, control);
    return c != nullptr && c->visible;
}

int PanelModel::setLabel(int panel, int control, const std::string& label) {
    return impl_->changeControl(panel, control, [&](ControlState& c) -> int {
        c.label = label;
        return PANEL_OK;
    });
}

std::string PanelModel::label(int panel, int control) const {
    const ControlState* c = impl_->findControl(panel, control);
    return c == nullptr ? std::string() : c->label;
}

int PanelModel::setTooltip(int panel, int control, const std::string& tooltip) {
    return impl_->changeControl(panel, control, [&](ControlState& c) -> int {
        c.tooltip = tooltip;
        return PANEL_OK;
    });
}

int PanelModel::setTextAppearance(int panel, int control, const std::string& font,
                                  std::uint32_t backgroundColor, std::uint32_t textColor,
                                  int pointSize) {
    return impl_->changeControl(panel, control, [&](ControlState& c) -> int {
        c.font = font;
        c.backgroundColor = backgroundColor & 0xFFFFFF;
        c.textColor = textColor & 0xFFFFFF;
        c.pointSize = pointSize;
        return PANEL_OK;
    });
}

int PanelModel::activeTabPage(int panel, int tab) const {
    const ControlState* c = impl_->findControl(panel, tab);
    if (c == nullptr) {
        return impl_->missing(panel);
    }
    if (c->kind != ControlKind::Tab) {
        return PANEL_ERR_WRONG_KIND;
    }
    return c->activePage;
}

int PanelModel::setActiveTabPage(int panel, int tab, int index) {
    ControlState* c = impl_->findControl(panel, tab);
    if (c == nullptr) {
        return impl_->missing(panel);
    }
    if (c->kind != ControlKind::Tab) {
        return PANEL_ERR_WRONG_KIND;
    }
    if (index < 0 || index >= static_cast<int>(c->pages.size())) {
        return PANEL_ERR_BAD_INDEX;
    }
    if (c->activePage != index) {
        c->activePage = index;
        impl_->controlChanged(panel, tab);
    }
    return PANEL_OK;
}

int PanelModel::tabPagePanel(int panel, int tab, int index) const {
    const ControlState* c = impl_->findControl(panel, tab);
    if (c == nullptr) {
        return impl_->missing(panel);
    }
    if (c->kind != ControlKind::Tab) {
        return PANEL_ERR_WRONG_KIND;
    }
    if (index < 0 || index >= static_cast<int>(c->pages.size())) {
        return PANEL_ERR_BAD_INDEX;
    }
    return c->pages[static_cast<std::size_t>(index)].panel;
}

int PanelModel::setTabPageVisible(int panel, int tab, int index, bool visible) {
    ControlState* c = impl_->findControl(panel, tab);
    if (c == nullptr) {
        return impl_->missing(panel);
    }
    if (c->kind != ControlKind::Tab) {
        return PANEL_ERR_WRONG_KIND;
    }
    if (index < 0 || index >= static_cast<int>(c->pages.size())) {
        return PANEL_ERR_BAD_INDEX;
    }
    c->pages[static_cast<std::size_t>(index)].visible = visible;
    impl_->controlChanged(panel, tab);
    return PANEL_OK;
}

bool PanelModel::tabPageVisible(int panel, int tab, int index) const {
    const ControlState* c = impl_->findControl(panel, tab);
    if (c == nullptr || c->kind != ControlKind::Tab || index < 0 ||
        index >= static_cast<int>(c->pages.size())) {
        return false;
    }
    return c->pages[static_cast<std::size_t>(index)].visible;
}

int PanelModel::newTextMessage(int panel, int top, int left) {
    PanelState* p = impl_->findPanel(panel);
    if (p == nullptr) {
        return PANEL_ERR_NO_PANEL;
    }
    const int id = p->controls.empty() ? 2 : p->controls.rbegin()->first + 1;
    ControlState c;
    c.id = id;
    c.kind = ControlKind::TextMessage;
    c.valueType = ValueType::Text;
    c.rect.top = top;
    c.rect.left = left;
    p->controls.emplace(id, std::move(c));
    impl_->notify([&](PanelObserver* o) { o->controlCreated(panel, id); });
    return id;
}

int PanelModel::makeCombo(int panel, int control) {
    return impl_->changeControl(panel, control, [&](ControlState& c) -> int {
        if (c.kind != ControlKind::String) {
            return PANEL_ERR_WRONG_KIND;
        }
        c.combo = true;
        c.comboVisible = c.visible;
        c.comboItems.clear();
        return PANEL_OK;
    });
}

int PanelModel::discardCombo(int panel, int control) {
    return impl_->changeControl(panel, control, [&](ControlState& c) -> int {
        c.combo = false;
        c.comboItems.clear();
        return PANEL_OK;
    });
}

int PanelModel::setComboFrameColor(int panel, int control, std::uint32_t color) {
    return impl_->changeControl(panel, control, [&](ControlState& c) -> int {
        if (!c.combo) {
            return PANEL_ERR_WRONG_KIND;
        }
        c.comboFrameColor = color & 0xFFFFFF;
        return PANEL_OK;
    });
}

int PanelModel::setComboVisible(int panel, int control, bool visible) {
    return impl_->changeControl(panel, control, [&](ControlState& c) -> int {
        if (!c.combo) {
            return PANEL_ERR_WRONG_KIND;
        }
        c.comboVisible = visible;
        return PANEL_OK;
    });
}

int PanelModel::comboItemCount(int panel, int control) const {
    const ControlState* c = impl_->findControl(panel, control);
    if (c == nullptr) {
        return impl_->missing(panel);
    }
    if (!c->combo) {
        return PANEL_ERR_WRONG_KIND;
    }
    return static_cast<int>(c->comboItems.size());
}

int PanelModel::comboIndexOf(int panel, int control, const std::string& text) const {
    const ControlState* c = impl_->findControl(panel, control);
    if (c == nullptr || !c->combo) {
        return -1;
    }
    auto it = std::find(c->comboItems.begin(), c->comboItems.end(), text);
    return it == c->comboItems.end() ? -1 : static_cast<int>(it - c->comboItems.begin());
}

std::string PanelModel::comboItem(int panel, int control, int index) const {
    const ControlState* c = impl_->findControl(panel, control);
    if (c == nullptr || !c->combo || index < 0 || index >= static_cast<int>(c->comboItems.size())) {
        return {};
    }
    return c->comboItems[static_cast<std::size_t>(index)];
}

int PanelModel::insertComboItem(int panel, int control, int index, const std::string& text) {
    return impl_->changeControl(panel, control, [&](ControlState& c) -> int {
        if (!c.combo) {
            return PANEL_ERR_WRONG_KIND;
        }
        const int size = static_cast<int>(c.comboItems.size());
        if (index < 0 || index > size) {
            index = size;  // past the end appends
        }
        c.comboItems.insert(c.comboItems.begin() + index, text);
        return PANEL_OK;
    });
}

int PanelModel::deleteComboItems(int panel, int control, int index, int count) {
    return impl_->changeControl(panel, control, [&](ControlState& c) -> int {
        if (!c.combo) {
            return PANEL_ERR_WRONG_KIND;
        }
        const int size = static_cast<int>(c.comboItems.size());
        if (index < 0 || index >= size) {
            return PANEL_ERR_BAD_INDEX;
        }
        const int end = count < 0 ? size : std::min(size, index + count);
        c.comboItems.erase(c.comboItems.begin() + index, c.comboItems.begin() + end);
        return PANEL_OK;
    });
}

int PanelModel::setPanelTitle(int panel, const std::string& title) {
    PanelState* p = impl_->findPanel(panel);
    if (p == nullptr) {
        return PANEL_ERR_NO_PANEL;
    }
    p->title = title;
    impl_->panelChanged(panel);
    return PANEL_OK;
}

int PanelModel::setPanelSize(int panel, int height, int width) {
    PanelState* p = impl_->findPanel(panel);
    if (p == nullptr) {
        return PANEL_ERR_NO_PANEL;
    }
    p->rect.height = height;
    p->rect.width = width;
    p->zoomed = false;
    impl_->panelChanged(panel);
    return PANEL_OK;
}

int PanelModel::setPanelPos(int panel, int top, int left) {
    PanelState* p = impl_->findPanel(panel);
    if (p == nullptr) {
        return PANEL_ERR_NO_PANEL;
    }
    p->rect.top = top == PANEL_AUTO_CENTER ? (impl_->screenHeight - p->rect.height) / 2 : top;
    p->rect.left = left == PANEL_AUTO_CENTER ? (impl_->screenWidth - p->rect.width) / 2 : left;
    impl_->panelChanged(panel);
    return PANEL_OK;
}

int PanelModel::setPanelZoomed(int panel, bool zoomed) {
    PanelState* p = impl_->findPanel(panel);
    if (p == nullptr) {
        return PANEL_ERR_NO_PANEL;
    }
    p->zoomed = zoomed;
    impl_->panelChanged(panel);
    return PANEL_OK;
}

int PanelModel::displayPanel(int panel) {
    PanelState* p = impl_->findPanel(panel);
    if (p == nullptr) {
        return PANEL_ERR_NO_PANEL;
    }
    p->displayed = true;
    impl_->panelChanged(panel);
    return PANEL_OK;
}

void PanelModel::setScreenSize(int width, int height) {
    impl_->screenWidth = width;
    impl_->screenHeight = height;
}

const PanelState* PanelModel::panel(int panel) const {
    return impl_->findPanel(panel);
}

const ControlState* PanelModel::control(int panel, int control) const {
    return impl_->findControl(panel, control);
}

int PanelModel::controlId(int panel, const std::string& constantName) const {
    const PanelState* p = impl_->findPanel(panel);
    if (p == nullptr) {
        return PANEL_ERR_NO_PANEL;
    }
    for (const auto& [id, c] : p->controls) {
        if (c.constantName == constantName) {
            return id;
        }
    }
    return PANEL_ERR_NO_CONTROL;
}

std::vector<int> PanelModel::panelHandles() const {
    std::vector<int> handles;
    for (const auto& [h, p] : impl_->panels) {
        handles.push_back(h);
    }
    return handles;
}

void PanelModel::bindControlCallback(const std::string& name, ControlCallback callback) {
    impl_->controlCallbacks[name] = std::move(callback);
}

void PanelModel::bindPanelCallback(const std::string& name, PanelCallback callback) {
    impl_->panelCallbacks[name] = std::move(callback);
}

int PanelModel::operatorSetValue(int panel, int control, std::int64_t value) {
    if (!impl_->acceptsInput(panel, control)) {
        return 0;
    }
    if (setValue(panel, control, value) != PANEL_OK) {
        return 0;
    }
    impl_->callControl(panel, control, EVENT_VAL_CHANGED, 0, 0);
    return impl_->callControl(panel, control, EVENT_COMMIT, 0, 0);
}

int PanelModel::operatorSetText(int panel, int control, const std::string& text) {
    if (!impl_->acceptsInput(panel, control)) {
        return 0;
    }
    const ControlState* c = impl_->findControl(panel, control);
    if (c->kind != ControlKind::String || setText(panel, control, text) != PANEL_OK) {
        return 0;
    }
    impl_->callControl(panel, control, EVENT_VAL_CHANGED, 0, 0);
    return impl_->callControl(panel, control, EVENT_COMMIT, 0, 0);
}

int PanelModel::operatorSelectTab(int panel, int tab, int index) {
    if (!impl_->acceptsInput(panel, tab) || !tabPageVisible(panel, tab, index)) {
        return 0;
    }
    if (setActiveTabPage(panel, tab, index) != PANEL_OK) {
        return 0;
    }
    return impl_->callControl(panel, tab, EVENT_ACTIVE_TAB_CHANGE, index, 0);
}

int PanelModel::dispatchControlEvent(int panel, int control, int event, int eventData1,
                                     int eventData2) {
    if (!impl_->acceptsInput(panel, control)) {
        return 0;
    }
    return impl_->callControl(panel, control, event, eventData1, eventData2);
}

int PanelModel::dispatchPanelEvent(int panel, int event, int eventData1, int eventData2) {
    const PanelState* p = impl_->findPanel(panel);
    if (p == nullptr) {
        return 0;
    }
    auto it = impl_->panelCallbacks.find(p->callbackName);
    if (it == impl_->panelCallbacks.end()) {
        return 0;
    }
    PanelCallback callback = it->second;
    return callback(panel, event, eventData1, eventData2);
}

void PanelModel::addObserver(PanelObserver* observer) {
    impl_->observers.push_back(observer);
}

void PanelModel::removeObserver(PanelObserver* observer) {
    auto& v = impl_->observers;
    v.erase(std::remove(v.begin(), v.end(), observer), v.end());
}

}  // namespace qv
