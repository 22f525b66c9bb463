#pragma once

#include <map>
#include <memory>
#include <utility>

#include <QObject>
#include <QPointer>

#include "platform/PanelModel.h"

class QWidget;

namespace qv {

class PanelWindow;
struct ControlWidgets;

// Shows the panel model with Qt widgets and turns the operator's input into the model's
// events. The model stays the only truth: every widget shows what the model holds, and every
// input goes through the model's operator entry points, after which the widget shows the model
// again (so a rejected input, on a dimmed control for example, springs back).
//
// Each displayed top-level panel is a window; its controls sit at the rectangles the panel
// file gives, a tab control's pages hold the controls of the page panels. A control's rect is
// its body; its label sits just above it.
class QtPanelView : public QObject, public PanelObserver {
  public:
    explicit QtPanelView(PanelModel& model);
    ~QtPanelView() override;
    QtPanelView(const QtPanelView&) = delete;
    QtPanelView& operator=(const QtPanelView&) = delete;

    void controlChanged(int panel, int control) override;
    void controlCreated(int panel, int control) override;
    void panelChanged(int panel) override;
    void panelDiscarded(int panel) override;

    // The window of a displayed top-level panel, or nullptr.
    QWidget* window(int panel) const;
    // The widget that renders a control (for a knob: the box holding dial and field), or
    // nullptr when its panel is not shown.
    QWidget* widget(int panel, int control) const;
    // The label shown above a control, or nullptr when it has none.
    QWidget* labelWidget(int panel, int control) const;

    // Called by the windows and widgets; not for other users.
    void windowGeometryChanged(int panel);
    void windowZoomChanged(int panel);
    void windowCloseRequested(int panel);
    void rightClick(int panel, int control, bool doubleClick);
    void panelRightDoubleClick(int panel);

  private:
    using Key = std::pair<int, int>;

    void buildWindow(int panel);
    void buildControls(int panel, QWidget* host);
    void createControl(int panel, int control, QWidget* host);
    void syncControl(int panel, int control);
    void syncWindow(int panel);
    void removePanelWidgets(int panel);
    QWidget* hostOf(int panel) const;
    // The tab control (panel, id) that holds page panel `page`, or {0, 0}.
    Key tabHolding(int page) const;
    void watchInput(QWidget* w, int panel, int control);

    void commitValue(int panel, int control, std::int64_t value);
    void commitText(int panel, int control, const std::string& text);
    void commitTab(int panel, int control, int index);
    void commitButton(int panel, int control);

    PanelModel& model_;
    std::map<int, QPointer<PanelWindow>> windows_;
    std::map<int, QPointer<QWidget>> pages_;  // page panel -> its page widget
    std::map<Key, std::unique_ptr<ControlWidgets>> controls_;
};

}  // namespace qv
