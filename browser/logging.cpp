#include "browser/logging.h"

Q_LOGGING_CATEGORY(lcBrowser, "nvk.browser", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWorkflow, "nvk.workflow", QtInfoMsg)
