#pragma once
// A launcher's permission for one window to come to the front: the token a
// Wayland compositor hands out (xdg-activation), or an X11 startup id. A
// second start sends its own to the running copy, which spends it on the one
// window it shows for that start and keeps it nowhere else: never in the
// process environment, where every later child would inherit it.

#include <optional>

#include <QByteArray>
#include <QVariantMap>

class QWidget;

// Longer than any token a compositor or launcher makes.
inline constexpr qsizetype maxLaunchTokenBytes = 256;

// The token in a caller's platform data: "activation-token", else
// "desktop-startup-id", when it is a string of at most maxLaunchTokenBytes
// printable ASCII characters without spaces. Anything else is no token.
std::optional<QByteArray> launchTokenFrom(const QVariantMap& platformData);

// What a second start sends: the tokens its launcher gave it, under both
// names, as launchers do.
QVariantMap launchTokensOfThisStart();

// Shows `window` at the front and, with a token, asks the compositor to
// focus it with the launcher's permission: on Wayland through
// xdg_activation_v1 once the window's surface is mapped, on X11 as the
// startup id Qt puts on the window and ends the launch's feedback with.
void showWithLaunchToken(QWidget* window, const std::optional<QByteArray>& token);
