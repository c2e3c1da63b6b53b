#pragma once
// What a page does for the actions it serves, by action name. The page gives
// them to the window, which hands them to the controller: the controller
// decides when an action may run and runs its handler.

#include <functional>
#include <string>
#include <vector>

namespace pxr {

struct ActionHandler {
    std::string action;
    std::function<void()> run;
};
using ActionHandlers = std::vector<ActionHandler>;

} // namespace pxr
