#pragma once

#include <QIcon>
#include <QString>

// The pictures compiled into the program: the mascot's poses, the application icon and the small
// pictograms of the screens.
namespace ui
{

// Registers the compiled-in resources; safe to call any number of times, from the main thread.
// Every function below calls it, so that a program linking the static library finds them.
void ensureResources();

// The resource path of an image by name: ":/tovik/Owl-base.svg" for "Owl-base".
[[nodiscard]] QString imagePath(const QString &name);

// The application icon drawn for the program; the fallback of the desktop's own.
[[nodiscard]] QIcon builtInApplicationIcon();

} // namespace ui
