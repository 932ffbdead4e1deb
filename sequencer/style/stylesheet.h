#pragma once

#include <QString>

/// Returns the compiled-in style sheet ":/style/<name>", read whole; empty
/// when there is no such resource.
QString loadStyleSheet(const QString &name);
