#pragma once
// The chapter list and the contents screen come in with the same push from
// the reading side, turned with the screen.
#include "platform/ui/ViewController.h"

#include <string>

namespace pw {

// Adds the push transition to the navigation view of `screen` under `key`;
// nothing when the screen is not on a navigation stack.
void pushListScreenTransition(ui::ViewController& screen, const std::string& key);

} // namespace pw
