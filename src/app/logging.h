#pragma once

#include "common/log.h"

#include <QLoggingCategory>

namespace app
{

// The window's logging category of each subsystem ("tovik.store", "tovik.sources", ...), silent
// unless turned on with QT_LOGGING_RULES (for example "tovik.sources.debug=true") or TOVIK_LOG.
[[nodiscard]] const QLoggingCategory &loggingCategory(common::LogCategory category);

// Routes the core's diagnostics through those categories, so that either switch turns them on.
// Call once at start, before any other thread runs.
void routeCoreLogging();

} // namespace app
