#pragma once

// Whether the session offers a StatusNotifierItem tray (KDE Plasma, GNOME with the AppIndicator
// extension, XFCE's status notifier plugin): a watcher on the session bus with a host registered.
// Qt then shows tray icons there, and such trays report a click on the icon as activation only,
// never as a double click. Without one, Qt embeds the icon in an XEmbed tray, which reports both.
bool StatusNotifierTrayInUse();
