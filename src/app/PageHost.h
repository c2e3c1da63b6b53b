#pragma once
// What the feature pages need of the main controller, in the narrow
// interfaces each page declares for itself: the main window makes one and
// hands it to its pages, so that no page knows the window or the controller.

#include <string>

#include "terminal/TerminalPage.h"

namespace pxr {

class MainController;

class PageHost : public TerminalPage::Host {
public:
    explicit PageHost(MainController& ctl) : m_ctl(ctl) {}

    // ---- TerminalPage::Host ----
    bool countTerminalChars(const std::string& chars) override;
    std::string lineCountText() const override;
    const FieldBinding* parameterEditor() override;

private:
    MainController& m_ctl;
};

} // namespace pxr
