#pragma once
// The module's windows, for tests and benchmarks only: the process itself
// gets the main window as a widget and nothing more (ui/module.h).
#include "ui/module.h"

namespace vt::test {

struct AccesFenetres {
    static const FenetresModule& de(const ModuleVantrel& module) { return module.fenetres_; }
};

}  // namespace vt::test
