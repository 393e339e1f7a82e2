#pragma once

#include <QLoggingCategory>

// Diagnostics of the tool, off by default. Switch them on with Qt's logging
// rules, for example QT_LOGGING_RULES="nvk.*.debug=true":
//   nvk.browser   navigations, load state, round trips that fail, errors shown
//   nvk.workflow  the workflows' steps and the handlers that run them
//   nvk.keys      key events synthesised and where they go
Q_DECLARE_LOGGING_CATEGORY(lcBrowser)
Q_DECLARE_LOGGING_CATEGORY(lcWorkflow)
