// Reports a failure of a window's handler through the error-message table.
#pragma once

#include "core/error.h"
#include "core/error_table.h"

class QWidget;

namespace pixa::ui {

class Platform;

// Shows the message(s) of `variant` for `failure` through `platform`, restoring the window's
// normal pointer first. With `cancelCheck`, a cancelled dialog (32755) shows nothing.
void reportError(Platform& platform, QWidget* window, ErrorVariant variant, const Failure& failure,
                 bool cancelCheck = false);

// For handlers that do not report through the table: shows "<number> <description>".
void reportUntrapped(Platform& platform, QWidget* window, const Failure& failure);

} // namespace pixa::ui
