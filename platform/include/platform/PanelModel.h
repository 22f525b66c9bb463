#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Events.h"

namespace qv {

// Results of panel operations.
enum PanelResult : int {
    PANEL_OK = 0,
    PANEL_ERR_FILE = -1,         // panel or language file missing, unreadable or malformed
    PANEL_ERR_NO_PANEL = -2,     // no panel with that handle
    PANEL_ERR_NO_CONTROL = -3,   // no control with that id on the panel
    PANEL_ERR_WRONG_KIND = -4,   // the operation does not apply to this kind of control
    PANEL_ERR_NOT_IN_LIST = -5,  // a ring value that is not one of its items
    PANEL_ERR_BAD_INDEX = -6,    // tab page or item index out of range
};

enum class ControlKind {
    CommandButton,
    ToggleButton,
    Ring,
    Numeric,  // a numeric field; `knob` in the panel file renders it as a dial
    String,
    TextBox,
    TextMessage,
    Tab,
};

// How many bits of an integer value a control keeps.
enum class ValueType { U16, I32, Text };

// Value for setPanelPos that centres the panel on the screen.
constexpr int PANEL_AUTO_CENTER = -2147483647;

struct RingItem {
    std::string label;
    int value = 0;
};

struct Rect {
    int top = 0;
    int left = 0;
    int width = 0;
    int height = 0;
};

struct TabPage {
    int panel = 0;  // the page's own panel handle
    std::string label;
    bool visible = true;
};

struct ControlState {
    int id = 0;
    std::string constantName;  // e.g. "MAINP_BUTTON_SEND"
    ControlKind kind = ControlKind::CommandButton;
    ValueType valueType = ValueType::I32;
    std::string callbackName;
    std::string label;
    std::string tooltip;
    std::string shortcutKey;  // e.g. "F9"
    Rect rect;
    bool dimmed = false;
    bool visible = true;

    std::int64_t value = 0;  // integer controls; kept within the width of valueType
    std::string text;        // string, text box and text message controls
    int maxLength = 0;       // string controls: characters accepted (0: unlimited)

    std::vector<RingItem> items;  // rings
    int minimum = 0;              // numerics
    int maximum = 65535;
    int increment = 1;
    std::string unit;
    bool knob = false;

    // Text message appearance.
    std::string font;
    std::uint32_t textColor = 0x000000;
    std::uint32_t backgroundColor = 0xFFFFFF;
    int pointSize = 0;

    // Tab controls.
    std::vector<TabPage> pages;
    int activePage = 0;

    // A string control turned into a combo box: its history list and the list button.
    bool combo = false;
    bool comboVisible = true;
    std::uint32_t comboFrameColor = 0;
    std::vector<std::string> comboItems;
};

struct PanelState {
    int handle = 0;
    int parentHandle = 0;  // 0 for a top-level panel, else the tab control's panel
    std::string constantName;
    std::string title;
    std::string callbackName;
    Rect rect;
    bool displayed = false;
    bool zoomed = false;  // maximised
    std::map<int, ControlState> controls;
};

using ControlCallback =
    std::function<int(int panel, int control, int event, int eventData1, int eventData2)>;
using PanelCallback = std::function<int(int panel, int event, int eventData1, int eventData2)>;

// Told of every change, so that a view can show it at once.
class PanelObserver {
  public:
    virtual ~PanelObserver() = default;
    virtual void controlChanged(int panel, int control) = 0;
    virtual void controlCreated(int panel, int control) = 0;
    virtual void panelChanged(int panel) = 0;
    virtual void panelDiscarded(int panel) = 0;
};

// The retained panel model: panels and their controls, addressed by (panel handle, control id).
// Plain C++, so every rule on it can be tested without a window.
class PanelModel {
  public:
    PanelModel();
    ~PanelModel();
    PanelModel(const PanelModel&) = delete;
    PanelModel& operator=(const PanelModel&) = delete;

    // Loads panel `resource` (a top-level panel) with its tab pages from a panel file.
    // Returns the panel handle, or PANEL_ERR_FILE when the file is missing, unreadable or
    // has no such panel.
    int loadPanel(int parent, const std::string& path, int resource);
    // Frees a top-level panel with its tab pages and controls.
    int discardPanel(int panel);

    // Replaces the fixed texts (labels, ring item labels, tab labels, tooltips, title) of the
    // panel and everything inside it with those of a language file. Returns PANEL_OK or
    // PANEL_ERR_FILE; on failure nothing changes.
    int localizePanel(int panel, const std::string& languageFile);

    // Values. On a text box setText appends; everywhere else it replaces.
    // Integer values are cut to the control's width (U16 keeps the low 16 bits). A ring only
    // takes a value that one of its items has.
    int setValue(int panel, int control, std::int64_t value);
    int setText(int panel, int control, const std::string& text);
    std::int64_t value(int panel, int control) const;
    std::string text(int panel, int control) const;
    // Replaces a text box's whole content.
    int resetTextBox(int panel, int control, const std::string& text);

    // Attributes.
    int setDimmed(int panel, int control, bool dimmed);
    bool dimmed(int panel, int control) const;
    int setVisible(int panel, int control, bool visible);
    bool visible(int panel, int control) const;
    int setLabel(int panel, int control, const std::string& label);
    std::string label(int panel, int control) const;
    int setTooltip(int panel, int control, const std::string& tooltip);
    int setTextAppearance(int panel, int control, const std::string& font,
                          std::uint32_t backgroundColor, std::uint32_t textColor, int pointSize);

    // Tab controls.
    int activeTabPage(int panel, int tab) const;
    int setActiveTabPage(int panel, int tab, int index);
    int tabPagePanel(int panel, int tab, int index) const;  // negative on failure
    int setTabPageVisible(int panel, int tab, int index, bool visible);
    bool tabPageVisible(int panel, int tab, int index) const;

    // Creates a text message control with no label at (top, left); returns its id.
    int newTextMessage(int panel, int top, int left);

    // Combo box on a string control: a history list of texts.
    int makeCombo(int panel, int control);
    int discardCombo(int panel, int control);
    int setComboFrameColor(int panel, int control, std::uint32_t color);
    int setComboVisible(int panel, int control, bool visible);
    int comboItemCount(int panel, int control) const;
    int comboIndexOf(int panel, int control, const std::string& text) const;  // -1: none
    std::string comboItem(int panel, int control, int index) const;
    int insertComboItem(int panel, int control, int index, const std::string& text);
    // Deletes `count` items from `index`; a count of -1 deletes all from `index` to the end.
    int deleteComboItems(int panel, int control, int index, int count);

    // Panel attributes.
    int setPanelTitle(int panel, const std::string& title);
    int setPanelSize(int panel, int height, int width);
    // PANEL_AUTO_CENTER for either coordinate centres the panel on the screen.
    int setPanelPos(int panel, int top, int left);
    int setPanelZoomed(int panel, bool zoomed);
    int displayPanel(int panel);
    // The screen area that auto-centring uses; the view sets it.
    void setScreenSize(int width, int height);

    const PanelState* panel(int panel) const;
    const ControlState* control(int panel, int control) const;
    // The id of the control whose constant name is `constantName`, or PANEL_ERR_NO_CONTROL.
    int controlId(int panel, const std::string& constantName) const;
    std::vector<int> panelHandles() const;

    // Callbacks are bound by the name the panel file gives.
    void bindControlCallback(const std::string& name, ControlCallback callback);
    void bindPanelCallback(const std::string& name, PanelCallback callback);

    // The operator's input. These change the model as the operator did and then call the
    // bound callback with the event(s) such an action raises:
    //  - operatorSetValue / operatorSetText: EVENT_VAL_CHANGED, then EVENT_COMMIT
    //    (a toggle button or ring click, a committed numeric or text entry);
    //  - operatorSelectTab: EVENT_ACTIVE_TAB_CHANGE on the tab control;
    //  - dispatchControlEvent / dispatchPanelEvent: the event alone (clicks, right clicks,
    //    close).
    // A dimmed control takes no input. Each returns the callback's result (0 when unbound).
    int operatorSetValue(int panel, int control, std::int64_t value);
    int operatorSetText(int panel, int control, const std::string& text);
    int operatorSelectTab(int panel, int tab, int index);
    int dispatchControlEvent(int panel, int control, int event, int eventData1 = 0,
                             int eventData2 = 0);
    int dispatchPanelEvent(int panel, int event, int eventData1 = 0, int eventData2 = 0);

    void addObserver(PanelObserver* observer);
    void removeObserver(PanelObserver* observer);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qv
